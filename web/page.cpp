// The exercise in a web page: this file holds the exercise, draws its screen into the
// page's own elements through the few functions of page_imports.js and passes the
// child's inputs on to it.
// page.js scales the window to the screen and turns clicks, touches and keys into the
// calls exported at the end of this file.
//
// The page keeps nothing of the exercise but what it drew last: after every input it
// draws the new screen against that one, touching only the elements that changed, as
// each touch crosses from wasm to the browser. Every call returns at once; while the
// success pause runs, page.js holds one timer and reports the time that has passed.
#include <emscripten.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue.h"
#include "exercise.h"
#include "language.h"
#include "layout.h"
#include "random.h"
#include "screen.h"

// What the wasm takes from page_imports.js, by name: see its contract. A function of
// the page's that page_imports.js lacks stops the wasm from being instantiated.
#define PAGE_IMPORT(name) __attribute__((import_module("env"), import_name(#name))) name
extern "C" {
void PAGE_IMPORT(page_document)(const char* lang, const char* title);
void PAGE_IMPORT(page_build)(const char* html);
int PAGE_IMPORT(page_element)(const char* id);
void PAGE_IMPORT(page_set_text)(int element, const char* text);
void PAGE_IMPORT(page_set_hidden)(int element, int hidden);
void PAGE_IMPORT(page_set_attribute)(int element, const char* name, const char* value);
void PAGE_IMPORT(page_set_background)(int element, const char* css);
void PAGE_IMPORT(page_focus)(int element);
int PAGE_IMPORT(page_has_focus)(int element, int within);
void PAGE_IMPORT(page_set_value)(int element, const char* text, int caret);
int PAGE_IMPORT(page_read)(int what, int index, char* buffer, int capacity);
void PAGE_IMPORT(page_start)(int width, int height, const char* closing, const char* family, int comic);
void PAGE_IMPORT(page_show)();
void PAGE_IMPORT(page_say)(const char* line);
void PAGE_IMPORT(page_wake_after)(int milliseconds);
void PAGE_IMPORT(page_focus_window)();
void PAGE_IMPORT(page_offer_app)(const char* tag, const char* closing);
}

namespace piecettes {

namespace {

// To the hundredth, with no trailing zeros: every size of the layout is a whole number
// of pixels.
std::string px(double pixels) {
    const long long hundredths = std::llround(std::fabs(pixels) * 100);
    std::string text = (pixels < 0 && hundredths ? "-" : "") + std::to_string(hundredths / 100);
    if (const int fraction = static_cast<int>(hundredths % 100)) {
        text += '.';
        text += static_cast<char>('0' + fraction / 10);
        if (fraction % 10) text += static_cast<char>('0' + fraction % 10);
    }
    return text + "px";
}

std::string hex(std::uint32_t rgb) {
    std::string text = "#000000";
    for (int digit = 6; digit > 0; --digit, rgb >>= 4) text[static_cast<std::size_t>(digit)] = "0123456789ABCDEF"[rgb & 0xF];
    return text;
}

// The colours that the desktop takes from the user's palette are the page's fixed ones,
// set once as CSS variables (see build()): every browser has its own ButtonFace and
// ButtonText, WebKit's text a greyish teal.
std::string cssColour(layout::Colour colour) {
    switch (colour.kind) {
        case layout::Colour::Kind::ButtonText: return "var(--button-text)";
        case layout::Colour::Kind::ButtonFace: return "var(--button-face)";
        case layout::Colour::Kind::Transparent: return "transparent";
        case layout::Colour::Kind::Rgb: break;
    }
    return hex(colour.rgb);
}

// The faces the page brings along, under names of its own that no system font has
// (page.html): the comic one with its italic, and the rounded one, which has none.
constexpr const char* ComicFamily = "Piecettes Comic";
constexpr const char* RoundedFamily = "Piecettes Rounded";

// A language drawn in the comic face takes Comic Sans MS where the device has it, which
// has every letter of every script, else the comic face the page brings along. One drawn
// in the rounded face takes it for every text, so that no word mixes two fonts.
std::string cssFamily(const char* family, Face face) {
    if (face == Face::Rounded) return std::string("'") + RoundedFamily + "', sans-serif";
    const std::string name = family;
    if (name == layout::WindowFont.family) return "'" + name + "', '" + ComicFamily + "', cursive";
    return "'" + name + "', sans-serif";
}

// Points at the design resolution of 96 pixels to the inch.
constexpr double PixelsPerPoint = 96.0 / 72.0;

std::string font(const layout::Font& font, Face face) {
    const bool italic = font.italic && face == Face::Comic;
    return "font-family:" + cssFamily(font.family, face) + ";font-size:" + px(font.points * PixelsPerPoint) +
           ";font-style:" + (italic ? "italic" : "normal") + ";";
}

// page_read's texts: the answer box's, the address's ?lang=, the browser's languages.
enum Readable { AnswerText = 0, AskedLanguage = 1, BrowserLanguage = 2 };

std::optional<std::string> read(Readable what, int index = 0) {
    const int length = page_read(what, index, nullptr, 0);
    if (length < 0) return std::nullopt;
    std::string text(static_cast<std::size_t>(length), '\0');
    page_read(what, index, text.data(), length);
    return text;
}

// Which language the page speaks: the one the address asks for with ?lang=, else the
// browser's first that has a catalogue, else French (pageLanguage passes over whatever
// names none). page.js hands both over as the browser gives them.
Language chosenLanguage(const std::string& asked) {
    std::vector<std::string> browser;
    for (int i = 0;; ++i) {
        std::optional<std::string> tag = read(BrowserLanguage, i);
        if (!tag) break;
        browser.push_back(std::move(*tag));
    }
    return pageLanguage(asked, browser);
}

std::string rect(const layout::Rect& at) {
    return "left:" + px(at.left) + ";top:" + px(at.top) + ";width:" + px(at.width) + ";height:" + px(at.height) + ";";
}

// Text made safe for HTML, in an element or an attribute.
std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string numbered(const char* format, int number) {
    std::string name = format;
    name.replace(name.find("%1"), 2, std::to_string(number));
    return name;
}

bool validCell(int cell) { return cell >= 0 && cell < CellCount; }

// The one place where the DOM's mouse buttons (MouseEvent.button: 0 main, 1 middle,
// 2 secondary) become the exercise's; the back and forward buttons press nothing.
std::optional<Button> buttonOf(int domButton) {
    switch (domButton) {
        case 0: return Button::Left;
        case 1: return Button::Middle;
        case 2: return Button::Right;
        default: return std::nullopt;
    }
}

constexpr std::size_t rowOf(layout::LabelRole role) {
    const auto row = std::find_if(layout::Labels.begin(), layout::Labels.end(),
                                  [role](const layout::LabelRow& label) { return label.role == role; });
    return static_cast<std::size_t>(row - layout::Labels.begin());
}
constexpr std::size_t AnswerRow = rowOf(layout::LabelRole::Answer);

// One element of the window, as page_imports.js numbers it.
struct Element {
    int id = -1;
    void setText(const std::string& text) const { page_set_text(id, text.c_str()); }
    void setHidden(bool hidden) const { page_set_hidden(id, hidden); }
    void setAttribute(const char* name, const std::string& value) const { page_set_attribute(id, name, value.c_str()); }
    void setBackground(const std::string& css) const { page_set_background(id, css.c_str()); }
    void focus() const { page_focus(id); }
    bool hasFocus() const { return page_has_focus(id, false) != 0; }
    bool holdsFocus() const { return page_has_focus(id, true) != 0; }
};

class Page {
public:
    Page()
        : asked_(read(AskedLanguage).value_or(std::string())),
          language_(chosenLanguage(asked_)),
          exercise_(Draws(clockSeed()), language_.money.decimal) {}

    // Starts the series and shows the window with its first exercise: the window is
    // written with that exercise already in it, so that the browser lays it out once.
    // The document takes the language's tag, for a screen reader's voice, and its title.
    void open() {
        const Catalogue& words = language_.catalogue;
        page_document(std::string(words.tag()).c_str(), words.text(Text::Title).c_str());
        const Outcome started = exercise_.start();
        drawn_ = screenOf(exercise_, pointer_, language_);
        build(drawn_);
        const bool comic = words.face() == Face::Comic;
        page_start(layout::OuterWidth, layout::OuterHeight, words.text(Text::Closing).c_str(),
                   comic ? ComicFamily : RoundedFamily, comic);
        apply(started);
        page_show();
        offerApp();
    }

    void coin(int cell, int domButton, bool byKey) {
        const std::optional<Button> button = buttonOf(domButton);
        if (!validCell(cell) || drawn_.cells[cell] != Cell::Shown || !button) return;
        apply(exercise_.pressCoin(cell, *button, byKey ? Via::Key : Via::Pointer));
    }

    void square(int cell, bool byKey) {
        if (!validCell(cell) || drawn_.cells[cell] != Cell::HandedOver) return;
        apply(exercise_.takeBack(cell, byKey ? Via::Key : Via::Pointer));
    }

    void ok() {
        if (drawn_.okShown) apply(exercise_.pressOk());
    }

    // A key about to type into the answer box, as a code point: returns the one that
    // enters the box instead, or 0 for none.
    int answerKey(int codePoint) {
        Outcome outcome = exercise_.typeKey(static_cast<char32_t>(codePoint));
        const char32_t insert = outcome.insert;
        apply(outcome);
        return static_cast<int>(insert);
    }

    // The answer box's text changed: the browser also reports an input that leaves it as it
    // was (an empty paste), which is no change, and must not judge the answer again.
    void answerTyped() {
        std::string text = read(AnswerText, answerInput_.id).value_or(std::string());
        if (text != exercise_.state().answer) apply(exercise_.editAnswer(text));
    }

    void infoOpened() { apply(exercise_.openInfo()); }
    void infoClosed() { apply(exercise_.closeInfo()); }

    // page.js's timer fired: this much time has passed since it was set.
    void timePassed(int milliseconds) {
        waiting_ = false;
        apply(exercise_.timePassed(std::chrono::milliseconds(milliseconds)));
    }

    // The kind of pointer the child used last: the hint line follows it.
    void pointerUsed(Pointer pointer) {
        if (pointer == pointer_) return;
        pointer_ = pointer;
        apply({});
    }

private:
    // The folder's page offers itself as an installable app (app.js): it starts from the
    // address of the language that ?lang= chooses, and its closing line fits an app.
    void offerApp() {
        page_offer_app(appLanguageTag(asked_).c_str(), language_.catalogue.text(Text::ClosingApp).c_str());
    }

    // After every input: the new screen, the answer when the rules wrote it, the focus,
    // the lines a screen reader says, and the timer.
    void apply(const Outcome& outcome) {
        draw(screenOf(exercise_, pointer_, language_));
        const ExerciseState& state = exercise_.state();
        if (state.answerWrites != answerWritesShown_) {
            answerWritesShown_ = state.answerWrites;
            page_set_value(answerInput_.id, state.answer.c_str(), state.caret);
        }
        if (outcome.focus) moveFocus(*outcome.focus);
        for (const Announcement& said : outcome.said) page_say(spoken(said, language_).c_str());
        waitForTime();
    }

    // One timer of page.js's runs while the exercise waits for time, and again for the
    // rest when it fired early. While the Info box holds a pause whose time is up, none
    // runs: closing the box ends it.
    void waitForTime() {
        if (waiting_) return;
        const auto wanted = exercise_.timeWanted();
        if (!wanted) return;
        waiting_ = true;
        page_wake_after(static_cast<int>(wanted->count()));
    }

    void draw(const Screen& screen) {
        for (std::size_t row = 0; row < layout::Labels.size(); ++row) {
            if (screen.labels[row] != drawn_.labels[row]) labels_[row].setText(screen.labels[row]);
            if (screen.labelShown[row] != drawn_.labelShown[row]) labels_[row].setHidden(!screen.labelShown[row]);
        }
        // The phone's keyboard is offered only while the answer shows.
        if (!screen.labelShown[AnswerRow] && drawn_.labelShown[AnswerRow])
            answerInput_.setAttribute("inputmode", "none");
        if (screen.answerBack != drawn_.answerBack)
            labels_[AnswerRow].setBackground(cssColour(screen.answerBack));
        // A new purse replaces every cell: a coin or square that held the focus is gone,
        // even where the new purse shows one in its place.
        if (screen.purse != drawn_.purse && purse_.holdsFocus()) answerInput_.focus();
        for (int cell = 0; cell < CellCount; ++cell) {
            const Cell now = screen.cells[cell];
            const Cell was = drawn_.cells[cell];
            if ((now == Cell::Shown) != (was == Cell::Shown)) showInPurse(coins_[cell], now == Cell::Shown);
            if ((now == Cell::HandedOver) != (was == Cell::HandedOver))
                showInPurse(squares_[cell], now == Cell::HandedOver);
        }
        if (screen.okShown != drawn_.okShown) ok_.setHidden(!screen.okShown);
        if (screen.focusParkName != drawn_.focusParkName)
            focusPark_.setAttribute("aria-label", screen.focusParkName);
        drawn_ = screen;
    }

    // A coin or square hidden under the keyboard focus hands it to the answer box, where
    // the series began: left to the browser, the next Tab would go on from the hidden one.
    void showInPurse(const Element& element, bool visible) {
        if (!visible && element.hasFocus()) answerInput_.focus();
        element.setHidden(!visible);
    }

    void moveFocus(const Focus& to) {
        switch (to.target) {
            case Focus::Target::Window: page_focus_window(); break;
            case Focus::Target::Answer: answerInput_.focus(); break;
            case Focus::Target::Ok: ok_.focus(); break;
            case Focus::Target::FocusPark: focusPark_.focus(); break;
            case Focus::Target::Coin:
                if (validCell(to.cell) && drawn_.cells[to.cell] == Cell::Shown) coins_[to.cell].focus();
                break;
            case Focus::Target::Square:
                if (validCell(to.cell) && drawn_.cells[to.cell] == Cell::HandedOver) squares_[to.cell].focus();
                break;
        }
    }

    // The window is written as HTML and parsed in one go: the browser makes its hundred
    // elements far quicker than as many calls from here would.
    void build(const Screen& screen) {
        // The page's own button colours, the same in every browser and on every system.
        // The Info box takes the window's face.
        const Face face = language_.catalogue.face();
        std::string html = "<style>:root{--button-face:" + cssColour(layout::PageButtonFace) +
                           ";--button-text:" + cssColour(layout::PageButtonText) +
                           ";--face:" + cssFamily(layout::WindowFont.family, face) + "}</style>";
        const auto button = [&](const std::string& id, const std::string& name, int tabIndex, const std::string& more) {
            html += "<div id=\"" + id + "\" role=\"button\" tabindex=\"" + std::to_string(tabIndex) + "\"";
            if (!name.empty()) html += " aria-label=\"" + escaped(name) + "\"";
            html += more + ">";
        };
        const auto hidden = [](bool shown) { return shown ? std::string() : std::string(" hidden"); };

        // data-kind (and data-cell) tell page.js what each control is, so that the script
        // never spells an objectName.
        html += "<div id=\"" + std::string(layout::WindowName) + "\" data-kind=\"window\" style=\"width:" +
                px(layout::OuterWidth) + ";height:" + px(layout::OuterHeight) + "\">";
        html += "<div class=\"client\" style=\"left:" + px(layout::FrameWidth) + ";top:" + px(layout::FrameWidth) +
                ";width:" + px(layout::ClientWidth) + ";height:" + px(layout::ClientHeight) +
                ";background:" + cssColour(layout::Teal) + ";" + font(layout::WindowFont, face) + "\">";

        // The focus order is the order of the elements: the answer box, the focus park,
        // the coins each followed by its square, then Quitter. OK is no tab stop.
        // Under the answer's large box: a tap on the box gives the unseen answer box the
        // focus, and a phone's keyboard then opens where the child looks.
        html += "<input id=\"" + std::string(layout::AnswerInput.name) +
                "\" data-kind=\"input\" type=\"text\" autocomplete=\"off\" autocapitalize=\"off\" spellcheck=\"false\" "
                "inputmode=\"none\" aria-label=\"" + escaped(language_.catalogue.text(Text::AnswerName)) + "\" data-max-typed=\"" +
                std::to_string(layout::AnswerMaxTyped) + "\" maxlength=\"" + std::to_string(layout::AnswerMaxTyped) +
                "\" style=\"" + rect(layout::Labels[AnswerRow].rect) + "\">";
        button(layout::FocusParkButton.name, screen.focusParkName, 0,
               " style=\"" + rect(layout::FocusParkButton.rect) + "\"");
        html += "</div>";

        html += "<div id=\"" + std::string(layout::Band.name) + "\" style=\"" + rect(layout::Band.rect) +
                "background:" + cssColour(layout::BandColour) + "\"></div>";

        html += "<div id=\"" + std::string(layout::Purse.name) + "\" role=\"group\" aria-label=\"" +
                escaped(language_.catalogue.text(Text::PurseCaption)) + "\" style=\"" + rect(layout::Purse.rect) +
                "background:" + cssColour(layout::Teal) + ";" + font(layout::Comic975, face) + "\">";
        for (const int cell : layout::PictureTabOrder) {
            const std::string at = " data-cell=\"" + std::to_string(cell) + "\"";
            button(numbered(layout::CoinNameFormat, cell), coinName(cell, language_.catalogue), 0,
                   " data-kind=\"coin\"" + at + " class=\"coin " + layout::CoinImages[cellType(cell)] + "\"" +
                       hidden(screen.cells[cell] == Cell::Shown) + " style=\"" + rect(layout::pictureRect(cell)) + "\"");
            html += "</div>";
            button(numbered(layout::SquareNameFormat, cell), squareName(cell, language_.catalogue), 0,
                   " data-kind=\"square\"" + at + " class=\"square\"" + hidden(screen.cells[cell] == Cell::HandedOver) +
                       " style=\"" + rect(layout::squareRect(cell)) + "background:" + cssColour(layout::SquareFace) + "\"");
            html += "</div>";
        }
        html += "</div>";

        for (std::size_t row = 0; row < layout::Labels.size(); ++row) {
            const layout::LabelRow& label = layout::Labels[row];
            const layout::Colour background = row == AnswerRow ? screen.answerBack : label.background;
            html += "<div id=\"" + std::string(label.name) + "\" class=\"" + (label.border ? "label bordered" : "label") + "\"";
            if (label.role == layout::LabelRole::Info) html += " role=\"button\" data-kind=\"info\"";
            if (label.role == layout::LabelRole::Answer) html += " data-kind=\"answer\"";
            html += hidden(screen.labelShown[row]) + " style=\"" + rect(layout::placeOf(label, face, language_.money)) +
                    font(label.font, face) +
                    "color:" + cssColour(label.text) + ";background:" + cssColour(background) + ";text-align:" +
                    (label.align == layout::Align::Centre ? "center" : "left") + "\">" + escaped(screen.labels[row]) +
                    "</div>";
        }

        const auto pushButton = [&](const layout::ButtonRow& push, int tabIndex, bool shown, const std::string& more) {
            button(push.name, "", tabIndex,
                   more + " class=\"push\"" + hidden(shown) + " style=\"" + rect(push.rect) + font(push.font, face) +
                       "background:" + cssColour(push.background) + "\"");
            html += escaped(language_.catalogue.text(*push.caption)) + "</div>";
        };
        pushButton(layout::OkButton, -1, screen.okShown, " data-kind=\"ok\" aria-keyshortcuts=\"Alt+O\"");
        // Made last, so that it comes last in the focus order.
        pushButton(layout::QuitButton, 0, true, " data-kind=\"quit\"");
        html += "</div></div>";

        // The Info box: its title, the credit line and one OK.
        html += "<dialog id=\"info\" aria-labelledby=\"info-title\" aria-describedby=\"info-text\">"
                "<div id=\"info-title\">" + escaped(language_.catalogue.text(Text::InfoTitle)) + "</div><p id=\"info-text\">" +
                escaped(credits(language_.catalogue)) + "</p><button id=\"info-ok\" data-kind=\"infoOk\">" + escaped(language_.catalogue.text(Text::Ok)) +
                "</button></dialog>";

        page_build(html.c_str());

        const auto byId = [](const std::string& id) { return Element{page_element(id.c_str())}; };
        answerInput_ = byId(layout::AnswerInput.name);
        focusPark_ = byId(layout::FocusParkButton.name);
        purse_ = byId(layout::Purse.name);
        ok_ = byId(layout::OkButton.name);
        for (int cell = 0; cell < CellCount; ++cell) {
            coins_.push_back(byId(numbered(layout::CoinNameFormat, cell)));
            squares_.push_back(byId(numbered(layout::SquareNameFormat, cell)));
        }
        for (const layout::LabelRow& label : layout::Labels) labels_.push_back(byId(label.name));
    }

    // The address's ?lang=, as the browser gives it.
    std::string asked_;
    Language language_;
    Exercise exercise_;
    Pointer pointer_ = Pointer::Mouse;
    // What the page shows: the screen drawn last, and the rules' writes of the answer so far.
    Screen drawn_;
    int answerWritesShown_ = 0;
    bool waiting_ = false;
    Element answerInput_;
    Element focusPark_;
    // Holds the coins and their squares, and nothing else.
    Element purse_;
    Element ok_;
    // By cell, and the labels in the order of the layout table.
    std::vector<Element> coins_;
    std::vector<Element> squares_;
    std::vector<Element> labels_;
};

// The page lives as long as the browser's tab: the exported functions below reach it here.
Page& page() {
    static Page instance;
    return instance;
}

}  // namespace

}  // namespace piecettes

// What page.js calls. A press comes from a pointer, or from a key or an assistive tool
// (byKey), after which the keyboard focus follows the coin.
extern "C" {
EMSCRIPTEN_KEEPALIVE void page_coin(int cell, int domButton, int byKey) { piecettes::page().coin(cell, domButton, byKey != 0); }
EMSCRIPTEN_KEEPALIVE void page_square(int cell, int byKey) { piecettes::page().square(cell, byKey != 0); }
EMSCRIPTEN_KEEPALIVE void page_ok() { piecettes::page().ok(); }
EMSCRIPTEN_KEEPALIVE int page_answer_key(int codePoint) { return piecettes::page().answerKey(codePoint); }
EMSCRIPTEN_KEEPALIVE void page_answer_typed() { piecettes::page().answerTyped(); }
EMSCRIPTEN_KEEPALIVE void page_info_opened() { piecettes::page().infoOpened(); }
EMSCRIPTEN_KEEPALIVE void page_info_closed() { piecettes::page().infoClosed(); }
EMSCRIPTEN_KEEPALIVE void page_time_passed(int milliseconds) { piecettes::page().timePassed(milliseconds); }
EMSCRIPTEN_KEEPALIVE void page_pointer(int finger) {
    piecettes::page().pointerUsed(finger ? piecettes::Pointer::Finger : piecettes::Pointer::Mouse);
}
// Called once, when page_imports.js has the wasm running.
EMSCRIPTEN_KEEPALIVE void page_open() { piecettes::page().open(); }
}

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
#include <string_view>
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

// The window's HTML and its styles are written piece after piece into one string, with
// no string made apart for a piece: the first start runs this code before the browser
// has compiled it fully, where every string made and dropped costs.
void addNumber(std::string& out, long long number) {
    if (number < 0) {
        out += '-';
        number = -number;
    }
    char digits[20];
    int count = 0;
    do digits[count++] = static_cast<char>('0' + number % 10);
    while ((number /= 10) != 0);
    while (count > 0) out += digits[--count];
}

// To the hundredth, with no trailing zeros: every size of the layout is a whole number
// of pixels.
void addPx(std::string& out, double pixels) {
    const long long hundredths = std::llround(std::fabs(pixels) * 100);
    if (pixels < 0 && hundredths) out += '-';
    addNumber(out, hundredths / 100);
    if (const int fraction = static_cast<int>(hundredths % 100)) {
        out += '.';
        out += static_cast<char>('0' + fraction / 10);
        if (fraction % 10) out += static_cast<char>('0' + fraction % 10);
    }
    out += "px";
}

// The colours that the desktop takes from the user's palette are the page's fixed ones,
// set once as CSS variables (see build()): every browser has its own ButtonFace and
// ButtonText, WebKit's text a greyish teal.
void addColour(std::string& out, layout::Colour colour) {
    switch (colour.kind) {
        case layout::Colour::Kind::ButtonText: out += "var(--button-text)"; return;
        case layout::Colour::Kind::ButtonFace: out += "var(--button-face)"; return;
        case layout::Colour::Kind::Transparent: out += "transparent"; return;
        case layout::Colour::Kind::Rgb: break;
    }
    out += '#';
    for (int shift = 20; shift >= 0; shift -= 4) out += "0123456789ABCDEF"[(colour.rgb >> shift) & 0xF];
}

std::string cssColour(layout::Colour colour) {
    std::string css;
    addColour(css, colour);
    return css;
}

// The faces the page brings along, under names of its own that no system font has
// (page.html): the comic one with its italic, and the rounded one, which has none.
constexpr const char* ComicFamily = "Piecettes Comic";
constexpr const char* RoundedFamily = "Piecettes Rounded";

// A language drawn in the comic face takes Comic Sans MS where the device has it, which
// has every letter of every script, else the comic face the page brings along. One drawn
// in the rounded face takes it for every text, so that no word mixes two fonts.
void addFamily(std::string& out, std::string_view family, Face face) {
    out += '\'';
    if (face == Face::Rounded) {
        out += RoundedFamily;
        out += "', sans-serif";
        return;
    }
    out += family;
    if (family == layout::WindowFont.family) {
        out += "', '";
        out += ComicFamily;
        out += "', cursive";
    } else {
        out += "', sans-serif";
    }
}

// Room for the window's HTML, some 22 KB in every language, written at once.
constexpr std::size_t WindowHtmlBytes = 32 * 1024;

// Points at the design resolution of 96 pixels to the inch.
constexpr double PixelsPerPoint = 96.0 / 72.0;

void addFont(std::string& out, const layout::Font& font, Face face) {
    const bool italic = font.italic && face == Face::Comic;
    out += "font-family:";
    addFamily(out, font.family, face);
    out += ";font-size:";
    addPx(out, font.points * PixelsPerPoint);
    out += italic ? ";font-style:italic;" : ";font-style:normal;";
}

void addRect(std::string& out, const layout::Rect& at) {
    out += "left:";
    addPx(out, at.left);
    out += ";top:";
    addPx(out, at.top);
    out += ";width:";
    addPx(out, at.width);
    out += ";height:";
    addPx(out, at.height);
    out += ';';
}

// Text made safe for HTML, in an element or an attribute.
void addEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
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
    // elements far quicker than as many calls from here would. page_build numbers the
    // elements that have an id in the order they are written, as id() does here.
    void build(const Screen& screen) {
        const Catalogue& words = language_.catalogue;
        const Face face = words.face();
        std::string html;
        html.reserve(WindowHtmlBytes);
        int written = 0;
        // An element's id, and its number; a coin's or a square's is its format with the
        // cell's number for %1.
        const auto id = [&](std::string_view name, int cell = -1) {
            html += " id=\"";
            if (cell < 0) {
                html += name;
            } else {
                const std::size_t at = name.find("%1");
                html += name.substr(0, at);
                addNumber(html, cell);
                html += name.substr(at + 2);
            }
            html += '"';
            return Element{written++};
        };
        const auto text = [&](std::string_view value) { addEscaped(html, value); };
        const auto attribute = [&](std::string_view name, std::string_view value) {
            html += ' ';
            html += name;
            html += "=\"";
            addEscaped(html, value);
            html += '"';
        };
        const auto button = [&](int tabIndex, std::string_view name) {
            html += " role=\"button\" tabindex=\"";
            addNumber(html, tabIndex);
            html += '"';
            if (!name.empty()) attribute("aria-label", name);
        };
        const auto hidden = [&](bool shown) {
            if (!shown) html += " hidden";
        };
        const auto place = [&](const layout::Rect& at) {
            html += " style=\"";
            addRect(html, at);
        };
        const auto background = [&](layout::Colour colour) {
            html += "background:";
            addColour(html, colour);
        };

        // The page's own button colours, the same in every browser and on every system.
        // The Info box takes the window's face.
        html += "<style>:root{--button-face:";
        addColour(html, layout::PageButtonFace);
        html += ";--button-text:";
        addColour(html, layout::PageButtonText);
        html += ";--face:";
        addFamily(html, layout::WindowFont.family, face);
        html += "}</style>";

        // data-kind (and data-cell) tell page.js what each control is, so that the script
        // never spells an objectName.
        html += "<div";
        id(layout::WindowName);
        html += " data-kind=\"window\" style=\"width:";
        addPx(html, layout::OuterWidth);
        html += ";height:";
        addPx(html, layout::OuterHeight);
        html += "\"><div class=\"client\"";
        place({layout::FrameWidth, layout::FrameWidth, layout::ClientWidth, layout::ClientHeight});
        background(layout::Teal);
        html += ';';
        addFont(html, layout::WindowFont, face);
        html += "\">";

        // The focus order is the order of the elements: the answer box, the focus park,
        // the coins each followed by its square, then Quitter. OK is no tab stop.
        // Under the answer's large box: a tap on the box gives the unseen answer box the
        // focus, and a phone's keyboard then opens where the child looks.
        html += "<input";
        answerInput_ = id(layout::AnswerInput.name);
        html += " data-kind=\"input\" type=\"text\" autocomplete=\"off\" autocapitalize=\"off\" spellcheck=\"false\" "
                "inputmode=\"none\"";
        attribute("aria-label", words.text(Text::AnswerName));
        html += " data-max-typed=\"";
        addNumber(html, layout::AnswerMaxTyped);
        html += "\" maxlength=\"";
        addNumber(html, layout::AnswerMaxTyped);
        html += '"';
        place(layout::Labels[AnswerRow].rect);
        html += "\"><div";
        focusPark_ = id(layout::FocusParkButton.name);
        button(0, screen.focusParkName);
        place(layout::FocusParkButton.rect);
        html += "\"></div><div";

        id(layout::Band.name);
        place(layout::Band.rect);
        background(layout::BandColour);
        html += "\"></div><div";

        purse_ = id(layout::Purse.name);
        html += " role=\"group\"";
        attribute("aria-label", words.text(Text::PurseCaption));
        place(layout::Purse.rect);
        background(layout::Teal);
        html += ';';
        addFont(html, layout::Comic975, face);
        html += "\">";
        coins_.resize(CellCount);
        squares_.resize(CellCount);
        for (const int cell : layout::PictureTabOrder) {
            const auto dataCell = [&] {
                html += " data-cell=\"";
                addNumber(html, cell);
                html += '"';
            };
            html += "<div";
            coins_[static_cast<std::size_t>(cell)] = id(layout::CoinNameFormat, cell);
            button(0, coinName(cell, words));
            html += " data-kind=\"coin\"";
            dataCell();
            html += " class=\"coin ";
            html += layout::CoinImages[cellType(cell)];
            html += '"';
            hidden(screen.cells[cell] == Cell::Shown);
            place(layout::pictureRect(cell));
            html += "\"></div><div";
            squares_[static_cast<std::size_t>(cell)] = id(layout::SquareNameFormat, cell);
            button(0, squareName(cell, words));
            html += " data-kind=\"square\"";
            dataCell();
            html += " class=\"square\"";
            hidden(screen.cells[cell] == Cell::HandedOver);
            place(layout::squareRect(cell));
            background(layout::SquareFace);
            html += "\"></div>";
        }
        html += "</div>";

        for (std::size_t row = 0; row < layout::Labels.size(); ++row) {
            const layout::LabelRow& label = layout::Labels[row];
            html += "<div";
            labels_.push_back(id(label.name));
            html += label.border ? " class=\"label bordered\"" : " class=\"label\"";
            if (label.role == layout::LabelRole::Info) html += " role=\"button\" data-kind=\"info\"";
            if (label.role == layout::LabelRole::Answer) html += " data-kind=\"answer\"";
            hidden(screen.labelShown[row]);
            place(layout::placeOf(label, face, language_.money));
            addFont(html, label.font, face);
            html += "color:";
            addColour(html, label.text);
            html += ';';
            background(row == AnswerRow ? screen.answerBack : label.background);
            html += label.align == layout::Align::Centre ? ";text-align:center\">" : ";text-align:left\">";
            text(screen.labels[row]);
            html += "</div>";
        }

        const auto pushButton = [&](const layout::ButtonRow& push, int tabIndex, bool shown, std::string_view more) {
            html += "<div";
            const Element element = id(push.name);
            button(tabIndex, "");
            html += more;
            html += " class=\"push\"";
            hidden(shown);
            place(push.rect);
            addFont(html, push.font, face);
            background(push.background);
            html += "\">";
            text(words.text(*push.caption));
            html += "</div>";
            return element;
        };
        ok_ = pushButton(layout::OkButton, -1, screen.okShown, " data-kind=\"ok\" aria-keyshortcuts=\"Alt+O\"");
        // Made last, so that it comes last in the focus order.
        pushButton(layout::QuitButton, 0, true, " data-kind=\"quit\"");
        html += "</div></div>";

        // The Info box: its title, the credit line and one OK.
        html += "<dialog";
        id("info");
        html += " aria-labelledby=\"info-title\" aria-describedby=\"info-text\"><div";
        id("info-title");
        html += '>';
        text(words.text(Text::InfoTitle));
        html += "</div><p";
        id("info-text");
        html += '>';
        text(credits(words));
        html += "</p><button";
        id("info-ok");
        html += " data-kind=\"infoOk\">";
        text(words.text(Text::Ok));
        html += "</button></dialog>";

        page_build(html.c_str());
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

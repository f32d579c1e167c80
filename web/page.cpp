// The exercise in a web page: the same rules as the desktop window, acting on the page's
// own elements through emscripten::val. This file builds the window's controls from the
// tables of layout.h and implements Controls; page.js scales the window to the screen
// and turns clicks, touches and keys into the calls exported at the end of this file.
//
// Every call returns at once. The success pause is the rules' phase: as it starts, page.js
// sets one timer, and reports the time that has passed when it fires.
#include <emscripten.h>
#include <emscripten/val.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "announcement.h"
#include "controls.h"
#include "credits.h"
#include "exercise.h"
#include "keyboard_focus.h"
#include "layout.h"
#include "pointer_hint.h"
#include "random.h"

using emscripten::val;

// ',' or '.', as the browser's language writes 1.5 (page.js reads it).
EM_JS(int, page_decimal_separator, (), { return pageScript.decimalSeparator(); });

namespace piecettes {

namespace {

std::string px(double pixels) {
    char text[32];
    std::snprintf(text, sizeof text, "%gpx", pixels);
    return text;
}

std::string hex(layout::Rgb rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
    return text;
}

// A colour of the layout tables, where a few values stand for the system's colours: the
// page's fixed ones (page.html), so that every browser paints them alike.
std::string cssColour(layout::Rgb colour) {
    switch (colour) {
        case layout::ButtonText: return "var(--button-text)";
        case layout::ButtonFace: return "var(--button-face)";
        case layout::Transparent: return "transparent";
        default: return hex(colour);
    }
}

// A colour number of the rules: 0x00BBGGRR, or 0x80000000 plus a system colour index.
std::string cssRuleColour(Colour colour) {
    constexpr Colour SystemFlag = 0x80000000;
    if (colour & SystemFlag) {
        switch (colour & ~SystemFlag) {
            case 0x08: return "var(--window-text)";
            case 0x12: return "var(--button-text)";
            default: return "var(--button-face)";
        }
    }
    return hex(((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF));
}

// Comic Sans MS where the device has it, else the Comic Neue the page brings along.
std::string cssFamily(const char* family) {
    const std::string name = family;
    if (name == layout::WindowFont.family) return "'" + name + "', 'Comic Neue', cursive";
    return "'" + name + "', sans-serif";
}

// Points at the design resolution of 96 pixels to the inch.
constexpr double PixelsPerPoint = 96.0 / 72.0;

std::string font(const layout::Font& font) {
    return "font-family:" + cssFamily(font.family) + ";font-size:" + px(font.points * PixelsPerPoint) +
           ";font-style:" + (font.italic ? "italic" : "normal") + ";";
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

class Page final : public Controls {
public:
    Page() : document_(val::global("document")) {
        build();
        exercise_ = std::make_unique<Exercise>(*this, random_, static_cast<char>(page_decimal_separator()));
    }

    Exercise& exercise() { return *exercise_; }

    // From the keyboard or an assistive tool, the focus follows the coin (keyboard_focus.h).
    void coinActivated(int cell, int button) {
        if (!validCell(cell) || coins_[cell]["hidden"].as<bool>()) return;
        const auto move = pressCoinByKey(*exercise_, cell, button, [this] { return tag_; });
        if (move == FocusAfterPress::ToSquare && !squares_[cell]["hidden"].as<bool>())
            focus(squares_[cell]);
        else if (move == FocusAfterPress::ToCoin && !coins_[cell]["hidden"].as<bool>())
            focus(coins_[cell]);
        waitForPause();
    }

    void squareActivated(int cell) {
        if (!validCell(cell) || squares_[cell]["hidden"].as<bool>()) return;
        const auto move = pressSquareByKey(*exercise_, cell, [this] { return document_["activeElement"] == ok_; });
        if (move == FocusAfterPress::ToCoin && !coins_[cell]["hidden"].as<bool>()) focus(coins_[cell]);
    }

    void coinPressed(int cell, int button) {
        if (validCell(cell) && !coins_[cell]["hidden"].as<bool>()) exercise_->coinPressed(cell, button);
        waitForPause();
    }

    void squareClicked(int cell) {
        if (validCell(cell) && !squares_[cell]["hidden"].as<bool>()) exercise_->squareClicked(cell);
    }

    void okPressed() {
        if (!ok_["hidden"].as<bool>()) exercise_->okPressed();
        waitForPause();
    }

    int answerKey(int key) {
        typing_ = true;
        exercise_->answerKey(key);
        typing_ = false;
        waitForPause();
        return key;
    }

    // The kind of pointer the child used last: the hint line follows it.
    void pointerUsed(Pointer pointer) {
        if (pointer == pointer_) return;
        pointer_ = pointer;
        labelFor(Control::Hint).set("textContent", shownHint(hint_, pointer_));
    }

    void answerTyped() {
        typing_ = true;
        exercise_->answerChanged();
        typing_ = false;
        waitForPause();
    }

    void infoOpened() { exercise_->infoOpened(); }

    void infoClosed() {
        exercise_->infoClosed();
        waitForPause();
    }

    // page.js's timer fired: this much time has passed since it was set.
    void timePassed(int milliseconds) {
        waiting_ = false;
        exercise_->timePassed(std::chrono::milliseconds(milliseconds));
        waitForPause();
    }

private:
    static bool validCell(int cell) { return cell >= 0 && cell < CellCount; }

    // One timer of page.js's runs from the start of the pause until its time is up, and
    // again for the rest when it fired early. While the Info box holds a pause whose time
    // is up, none runs: closing the box ends it.
    void waitForPause() {
        if (waiting_ || !exercise_->pausing() || exercise_->pauseLeft().count() == 0) return;
        waiting_ = true;
        script().call<void>("wakeAfter", static_cast<int>(exercise_->pauseLeft().count()));
    }

    static void focus(val element) {
        val options = val::object();
        options.set("preventScroll", true);
        element.call<void>("focus", options);
    }

    // The window is written as HTML and parsed in one go: the browser makes its hundred
    // elements far quicker than as many calls from here would.
    void build() {
        std::string html;
        const auto rect = [](const layout::Rect& twips) {
            return "left:" + px(layout::toPixels(twips.left)) + ";top:" + px(layout::toPixels(twips.top)) +
                   ";width:" + px(layout::toPixels(twips.width)) + ";height:" + px(layout::toPixels(twips.height)) + ";";
        };
        const auto button = [&](const std::string& id, const std::string& name, int tabIndex, const std::string& more) {
            html += "<div id=\"" + id + "\" role=\"button\" tabindex=\"" + std::to_string(tabIndex) + "\"";
            if (!name.empty()) html += " aria-label=\"" + escaped(name) + "\"";
            html += more + ">";
        };

        // data-kind (and data-cell) tell page.js what each control is, so that the script
        // never spells an objectName.
        html += "<div id=\"" + std::string(layout::WindowName) + "\" data-kind=\"window\" style=\"width:" + px(layout::OuterWidth) +
                ";height:" + px(layout::OuterHeight) + "\">";
        html += "<div class=\"client\" style=\"left:" + px(layout::FrameWidth) + ";top:" + px(layout::FrameWidth) +
                ";width:" + px(layout::ClientWidth) + ";height:" + px(layout::ClientHeight) + ";background:" +
                hex(layout::Teal) + ";" + font(layout::WindowFont) + "\">";

        // The focus order is the order of the elements: the answer box, the focus park,
        // the coins each followed by its square, then Quitter. OK is no tab stop.
        const auto& answerRow = *std::find_if(layout::Labels.begin(), layout::Labels.end(),
                                              [](const auto& row) { return row.role == layout::LabelRole::Answer; });
        // Under the answer's large box: a tap on the box gives the unseen answer box the
        // focus, and a phone's keyboard then opens where the child looks.
        html += "<input id=\"" + std::string(layout::AnswerInput.name) +
                "\" data-kind=\"input\" type=\"text\" autocomplete=\"off\" autocapitalize=\"off\" spellcheck=\"false\" inputmode=\"none\" "
                "aria-label=\"" + escaped(layout::AnswerName) + "\" data-max-typed=\"" +
                std::to_string(layout::AnswerMaxTyped) + "\" maxlength=\"" + std::to_string(layout::AnswerMaxTyped) +
                "\" style=\"" + rect(answerRow.twips) + "\">";
        button(layout::FocusParkButton.name, layout::FocusParkName, 0,
               " style=\"" + rect(layout::FocusParkButton.twips) + "\"");
        html += "</div>";

        html += "<div id=\"" + std::string(layout::Band.name) + "\" style=\"" + rect(layout::Band.twips) +
                "background:" + hex(layout::BandColour) + "\"></div>";

        html += "<div id=\"" + std::string(layout::Purse.name) + "\" role=\"group\" aria-label=\"" +
                escaped(layout::PurseCaption) + "\" style=\"" + rect(layout::Purse.twips) + "background:" +
                hex(layout::Teal) + ";" + font(layout::Comic975) + "\">";
        for (int index = 0; index < CellCount; ++index) {
            const int cell = layout::PictureTabOrder[index];
            const int type = cellType(cell);
            const std::string at = " data-cell=\"" + std::to_string(cell) + "\"";
            button(numbered(layout::CoinNameFormat, cell), layout::CoinNames[type], 0,
                   " data-kind=\"coin\"" + at + " class=\"coin " + std::string(layout::CoinImages[type]) + "\" style=\"" +
                       rect(layout::pictureRect(cell)) + "\"");
            html += "</div>";
            const auto twips = layout::squareRect(cell);
            button(numbered(layout::SquareNameFormat, cell), std::string("Reprendre ") + layout::CoinNames[type], 0,
                   " data-kind=\"square\"" + at + " class=\"square\" style=\"" + rect(twips) + "background:" + hex(layout::LightGrey) + "\"");
            html += "</div>";
            squareTwips_[cell] = {static_cast<float>(twips.left), static_cast<float>(twips.top)};
        }
        html += "</div>";

        for (const auto& row : layout::Labels) {
            html += "<div id=\"" + std::string(row.name) + "\" class=\"" + (row.border ? "label bordered" : "label") + "\"";
            if (row.role == layout::LabelRole::Info) html += " role=\"button\" data-kind=\"info\"";
            if (row.role == layout::LabelRole::Answer) html += " data-kind=\"answer\"";
            if (!row.visible) html += " hidden";
            html += " style=\"" + rect(row.twips) + font(row.font) + "color:" + cssColour(row.text) +
                    ";background:" + cssColour(row.background) + ";text-align:" +
                    (row.align == layout::Align::Centre ? "center" : "left") + "\">" + escaped(row.caption) + "</div>";
        }

        const auto pushButton = [&](const layout::ButtonSpec& row, int tabIndex, const std::string& more) {
            button(row.name, "", tabIndex,
                   more + " class=\"push\" style=\"" + rect(row.twips) + font(row.font) + "background:" +
                       cssColour(row.background) + "\"");
            html += escaped(row.caption) + "</div>";
        };
        pushButton(layout::OkButton, -1, " data-kind=\"ok\" aria-keyshortcuts=\"Alt+O\"");
        // Made last, so that it comes last in the focus order.
        pushButton(layout::QuitButton, 0, " data-kind=\"quit\"");
        html += "</div></div>";

        // The Info box: its title, the credit line and one OK.
        html += "<dialog id=\"info\" aria-labelledby=\"info-title\" aria-describedby=\"info-text\">"
                "<div id=\"info-title\">" + escaped(layout::InfoTitle) + "</div><p id=\"info-text\">" +
                escaped(credits()) + "</p><button id=\"info-ok\" data-kind=\"infoOk\">OK</button></dialog>";

        document_["body"].call<void>("insertAdjacentHTML", std::string("beforeend"), html);

        const auto byId = [&](const std::string& id) { return document_.call<val>("getElementById", id); };
        window_ = byId(layout::WindowName);
        answerInput_ = byId(layout::AnswerInput.name);
        focusPark_ = byId(layout::FocusParkButton.name);
        ok_ = byId(layout::OkButton.name);
        for (int cell = 0; cell < CellCount; ++cell) {
            coins_[cell] = byId(numbered(layout::CoinNameFormat, cell));
            squares_[cell] = byId(numbered(layout::SquareNameFormat, cell));
        }
        for (const auto& row : layout::Labels) labels_[static_cast<std::size_t>(row.role)] = byId(row.name);
    }

    val labelFor(Control control) const {
        const layout::LabelRole role = layout::labelRoleOf(control);
        return role == layout::LabelRole::Fixed ? val::undefined() : labels_[static_cast<std::size_t>(role)];
    }

    val elementFor(Control control) const {
        switch (control) {
            case Control::Window: return window_;
            case Control::Ok: return ok_;
            case Control::FocusPark: return focusPark_;
            case Control::AnswerInput: return answerInput_;
            default: return labelFor(control);
        }
    }

    // A coin or square hidden under the keyboard focus hands it to the answer box, where
    // the series began: left to the browser, the next Tab would go on from the hidden one.
    void showInPurse(val element, bool visible) {
        if (!visible && document_["activeElement"] == element) focus(answerInput_);
        element.set("hidden", !visible);
    }

    // Controls
    void setCaption(Control control, const std::string& text) override {
        val label = labelFor(control);
        if (label.isUndefined()) return;
        if (control == Control::Hint) hint_ = text;
        const std::string shown = control == Control::Hint ? shownHint(text, pointer_) : text;
        label.set("textContent", shown);
        if (control == Control::Score)
            focusPark_.call<void>("setAttribute", std::string("aria-label"),
                                  text.empty() ? std::string(layout::FocusParkName) : text);
        const std::string said = announcement(control, shown, typing_);
        if (!said.empty()) script().call<void>("say", asSentence(said));
    }
    void setVisible(Control control, bool visible) override {
        if (control == Control::Window) return;
        elementFor(control).set("hidden", !visible);
        // The phone's keyboard is offered only while the answer shows.
        if (control == Control::Answer && !visible)
            answerInput_.call<void>("setAttribute", std::string("inputmode"), std::string("none"));
    }
    void setBackColour(Control control, Colour colour) override {
        elementFor(control)["style"].set("background", cssRuleColour(colour));
    }
    // The browser paints as soon as the rules wait or return.
    void repaintNow(Control) override {}
    void setCoinVisible(int cell, bool visible) override { showInPurse(coins_.at(cell), visible); }
    void setSquareVisible(int cell, bool visible) override { showInPurse(squares_.at(cell), visible); }
    void setSquareBackColour(int cell, Colour colour) override {
        squares_.at(cell)["style"].set("background", cssRuleColour(colour));
    }
    Position squarePosition(int cell) const override { return squareTwips_.at(cell); }
    void moveSquare(int cell, Position position) override {
        squareTwips_.at(cell) = position;
        val style = squares_[cell]["style"];
        style.set("left", px(layout::toPixels(position.left)));
        style.set("top", px(layout::toPixels(position.top)));
    }
    std::string answerText() const override { return answerInput_["value"].as<std::string>(); }
    void setAnswerText(const std::string& text) override { answerInput_.set("value", text); }
    void setAnswerCaret(int position) override {
        const int length = answerInput_["value"]["length"].as<int>();
        const int at = position < length ? position : length;
        answerInput_.call<void>("setSelectionRange", at, at);
    }
    void setFocus(Control control) override {
        if (control == Control::Window) {
            script().call<void>("focusWindow");
            return;
        }
        focus(elementFor(control));
    }
    std::string tag() const override { return tag_; }
    void setTag(const std::string& tag) override { tag_ = tag; }

    static val script() { return val::global("pageScript"); }

    val document_;
    val window_ = val::undefined();
    val answerInput_ = val::undefined();
    val focusPark_ = val::undefined();
    val ok_ = val::undefined();
    std::vector<val> coins_ = std::vector<val>(CellCount, val::undefined());
    std::vector<val> squares_ = std::vector<val>(CellCount, val::undefined());
    // The labels by role; the fixed ones share the first slot, which is never read.
    std::vector<val> labels_ = std::vector<val>(layout::LabelRoleCount, val::undefined());
    std::array<Position, CellCount> squareTwips_{};
    std::string tag_;
    std::string hint_;
    Pointer pointer_ = Pointer::Mouse;
    bool typing_ = false;
    bool waiting_ = false;
    ClockRandom random_;
    std::unique_ptr<Exercise> exercise_;
};

// The page lives as long as the browser's tab: the exported functions below reach it here.
Page& page() {
    static Page instance;
    return instance;
}

}  // namespace

}  // namespace piecettes

// What page.js calls.
extern "C" {
EMSCRIPTEN_KEEPALIVE void page_coin(int cell, int button) { piecettes::page().coinPressed(cell, button); }
EMSCRIPTEN_KEEPALIVE void page_coin_key(int cell, int button) { piecettes::page().coinActivated(cell, button); }
EMSCRIPTEN_KEEPALIVE void page_square(int cell) { piecettes::page().squareClicked(cell); }
EMSCRIPTEN_KEEPALIVE void page_square_key(int cell) { piecettes::page().squareActivated(cell); }
EMSCRIPTEN_KEEPALIVE void page_ok() { piecettes::page().okPressed(); }
EMSCRIPTEN_KEEPALIVE int page_answer_key(int key) { return piecettes::page().answerKey(key); }
EMSCRIPTEN_KEEPALIVE void page_answer_typed() { piecettes::page().answerTyped(); }
EMSCRIPTEN_KEEPALIVE void page_info_opened() { piecettes::page().infoOpened(); }
EMSCRIPTEN_KEEPALIVE void page_info_closed() { piecettes::page().infoClosed(); }
EMSCRIPTEN_KEEPALIVE void page_time_passed(int milliseconds) { piecettes::page().timePassed(milliseconds); }
EMSCRIPTEN_KEEPALIVE void page_pointer(int finger) {
    piecettes::page().pointerUsed(finger ? piecettes::Pointer::Finger : piecettes::Pointer::Mouse);
}
}

int main() {
    auto& page = piecettes::page();
    // The answer box gets the focus as the first exercise starts, where the rules give it
    // to the window.
    val script = val::global("pageScript");
    script.call<void>("start", piecettes::layout::OuterWidth, piecettes::layout::OuterHeight);
    page.exercise().windowActivated();
    script.call<void>("show");
    return 0;
}

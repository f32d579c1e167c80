// What a screen reader hears when a line of the window changes, shared by the desktop
// window and the web page. Plain C++.
#pragma once

#include <string>

#include "controls.h"
#include "layout.h"

namespace piecettes {

// The words said when the rules write caption into control, or "" for lines that are
// not said: the messages and the score as they stand, the amounts with the captions
// they stand after, and the answer unless the child typed it (a screen reader echoes
// typed keys already).
inline std::string announcement(Control control, const std::string& caption, bool typed) {
    if (caption.empty()) return {};
    const auto amount = [&](const char* before) { return std::string(before) + " " + caption + " " + layout::EuroSign; };
    switch (control) {
        case Control::Price: return amount(layout::PriceCaption);
        case Control::GivenTotal: return amount(layout::GivenCaption);
        case Control::Feedback:
        case Control::Score: return caption;
        case Control::Answer: return typed ? std::string() : std::string(layout::AnswerName) + " : " + caption;
        default: return {};
    }
}

// Each message a sentence, so that the screen reader pauses between them.
inline std::string asSentence(const std::string& message) {
    const char last = message.empty() ? '.' : message.back();
    return last == '.' || last == '!' || last == '?' ? message : message + ".";
}

}  // namespace piecettes

// The operations on the window's controls that the exercise rules use.
#pragma once

#include <cstdint>
#include <string>

namespace piecettes {

// The controls the rules act on, by their role in the exercise. The coin pictures and
// the take-back squares of the purse are addressed by cell number instead.
enum class Control {
    Window,       // the exercise's window itself
    Instruction,  // what to do now, under OK
    Price,        // the price to pay
    GivenTotal,   // the total of the coins handed over
    Feedback,     // "Encore !", "Bravo !", the change question and the other messages
    Score,        // the score line, and the closing message of the series
    Answer,       // the change answer as shown in its large box, a copy of AnswerInput
    Hint,         // the hint line under the purse
    Ok,           // the OK button
    FocusPark,    // an unseen button that holds the focus once the series is over
    AnswerInput,  // an unseen box that takes the typed change answer
};

// Colours as 32-bit numbers: 0x00BBGGRR for an RGB colour, or 0x80000000 plus an
// index into the user's system colours.
using Colour = std::uint32_t;
constexpr Colour Green = 0x00FF00;
constexpr Colour White = 0xFFFFFF;
constexpr Colour ButtonFace = 0x8000000F;

// A control's position inside its container, in twips (15 to a pixel).
struct Position {
    float left = 0;
    float top = 0;
    friend bool operator==(const Position&, const Position&) = default;
};

class Controls {
public:
    virtual ~Controls() = default;

    // Writes a line the child reads: Instruction, Price, GivenTotal, Feedback, Score, Answer or Hint.
    virtual void setCaption(Control control, const std::string& text) = 0;
    // Shows or hides Feedback, Answer, Hint or Ok.
    virtual void setVisible(Control control, bool visible) = 0;
    // Colours the answer box: green when right, white again for the next question.
    virtual void setBackColour(Control control, Colour colour) = 0;
    // Paints Answer or AnswerInput now, before the window returns to its event loop.
    virtual void repaintNow(Control control) = 0;

    // Shows or hides the coin of a cell of the purse.
    virtual void setCoinVisible(int cell, bool visible) = 0;
    // Shows or hides the grey square that stands for a coin handed over.
    virtual void setSquareVisible(int cell, bool visible) = 0;
    // Colours a take-back square.
    virtual void setSquareBackColour(int cell, Colour colour) = 0;
    // Where a take-back square stands in the purse.
    virtual Position squarePosition(int cell) const = 0;
    // Moves a take-back square, keeping its size.
    virtual void moveSquare(int cell, Position position) = 0;

    // The typed change answer, as text.
    virtual std::string answerText() const = 0;
    // Replaces the answer text as it stands, without cutting it to the typed-length
    // limit and without reporting a change: the rules run their change handler themselves.
    virtual void setAnswerText(const std::string& text) = 0;
    // Puts the answer's caret at a character position, or at the end of a shorter text.
    virtual void setAnswerCaret(int position) = 0;

    // Gives the keyboard focus to a control. Window means the window itself: the focus
    // returns to the control of the window that held it last.
    virtual void setFocus(Control control) = 0;

    // The window's free-text tag, where the phase is kept.
    virtual std::string tag() const = 0;
    virtual void setTag(const std::string& tag) = 0;
};

}  // namespace piecettes

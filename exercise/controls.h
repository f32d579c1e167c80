// The operations on the window's controls that the exercise rules use.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace piecettes {

// The controls the rules address by name. The coin pictures Picture1(k) and the
// take-back squares Label10(k) are addressed by cell number instead.
enum class Control { Form1, Label5, Label6, Label7, Label8, Label9, Label12, Label13, Command1, Command2, Text7 };

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

    // Captions of Label5 to Label9, Label12 and Label13.
    virtual void setCaption(Control control, const std::string& text) = 0;
    // Label8, Label12, Label13 and Command1.
    virtual void setVisible(Control control, bool visible) = 0;
    // Label12.
    virtual void setBackColour(Control control, Colour colour) = 0;
    // Paints the control now, without waiting for the event loop (Label12, Text7).
    virtual void repaintNow(Control control) = 0;

    virtual void setPictureVisible(int cell, bool visible) = 0;
    virtual void setSquareVisible(int cell, bool visible) = 0;
    virtual void setSquareBackColour(int cell, Colour colour) = 0;
    virtual Position squarePosition(int cell) const = 0;
    // Moves the square, keeping its size.
    virtual void moveSquare(int cell, Position position) = 0;

    virtual std::string text7() const = 0;
    // Replaces the text of Text7 as it stands, without cutting it to the typed-length
    // limit and without reporting a change: the rules run their change handler themselves.
    virtual void setText7(const std::string& text) = 0;
    // Puts the caret at a character position, or at the end of a shorter text.
    virtual void setText7Caret(int position) = 0;

    // Form1 means the window: the focus returns to the control of the window that held it last.
    virtual void setFocus(Control control) = 0;

    // The window's free-text tag, where the phase is kept.
    virtual std::string tag() const = 0;
    virtual void setTag(const std::string& tag) = 0;

    // Waits while the window keeps handling its events, and returns once the time is
    // over and no handler run from the wait is still running. Returns false when the
    // window has been closed or the program is quitting: nothing may touch a control then.
    virtual bool pause(std::chrono::milliseconds duration) = 0;
};

}  // namespace piecettes

// What each control of the window shows and what a screen reader hears, read off the
// exercise in the program's language: the desktop window and the web page both draw this.
#pragma once

#include <array>
#include <string>

#include "catalogue.h"
#include "exercise.h"
#include "language.h"
#include "layout.h"

namespace piecettes {

// The window's controls as the exercise leaves them. A front end draws a screen by
// comparing it with the one it drew last. A coin or square hidden under the keyboard
// focus hands the focus to the answer box, where the series began.
struct Screen {
    // The labels' texts and whether they show, in the order of layout::Labels.
    std::array<std::string, layout::Labels.size()> labels;
    std::array<bool, layout::Labels.size()> labelShown{};
    std::array<Cell, CellCount> cells{};
    // Which purse the cells belong to: when it changes, every cell is new, and the keyboard
    // focus leaves the purse for the answer box.
    int purse = 0;
    bool okShown = true;
    layout::Colour answerBack;
    // What a screen reader calls the focus park: the score line once it has one.
    std::string focusParkName;
    friend bool operator==(const Screen&, const Screen&) = default;
};

// The screen of an exercise for a child who plays with this pointer, in this language.
Screen screenOf(const Exercise& exercise, Pointer pointer, const Language& language);

// The words of a message of the exercise, as shown to a child who plays with this
// pointer; Score takes its count.
std::string messageText(Message message, const Catalogue& catalogue, Pointer pointer = Pointer::Mouse, int count = 0);

// The words a screen reader says for a line the exercise wrote, as a sentence, so that
// the reader pauses between lines; amounts with their sign on its side.
std::string spoken(const Announcement& announcement, const Language& language);

// What a screen reader calls a coin of the purse, and the square that takes it back.
std::string coinName(int cell, const Catalogue& catalogue);
std::string squareName(int cell, const Catalogue& catalogue);

// The credit line of the Info box, with the program's version and month of release.
std::string credits(const Catalogue& catalogue);

}  // namespace piecettes

// Where the keyboard focus goes when a coin or a take-back square is pressed from the
// keyboard or by an assistive tool: shared by the desktop window and the web page.
// Plain C++.
#pragma once

#include <string>

#include "exercise.h"

namespace piecettes {

enum class FocusAfterPress { Stays, ToSquare, ToCoin };

// Presses the coin of a cell, as its key does, and says where the focus follows it: to
// its square once it is handed over, where the same key takes it back, and back to the
// coin in the change question (tag "1"), where the child goes on counting. A press that
// wins leaves the focus where the rules put it: once the pause it started is over, where
// the next exercise puts it; at the end of the series, on the focus park or the answer.
// A press during the pause is no win and moves the focus as at any other time. The
// coin must be shown; tag reads the window's tag once the press is over.
template <typename Tag>
FocusAfterPress pressCoinByKey(Exercise& exercise, int cell, int button, Tag tag) {
    const bool pausing = exercise.pausing();
    const bool finished = exercise.seriesFinished();
    exercise.coinPressed(cell, button);
    if (exercise.pausing() != pausing || exercise.seriesFinished() != finished) return FocusAfterPress::Stays;
    return std::string(tag()) == ChangeTag ? FocusAfterPress::ToCoin : FocusAfterPress::ToSquare;
}

// Takes a coin back, as the key of its square does: the focus goes back to the coin,
// unless the rules gave it to OK (okHasFocus, read once the press is over).
template <typename OkHasFocus>
FocusAfterPress pressSquareByKey(Exercise& exercise, int cell, OkHasFocus okHasFocus) {
    exercise.squareClicked(cell);
    return okHasFocus() ? FocusAfterPress::Stays : FocusAfterPress::ToCoin;
}

}  // namespace piecettes

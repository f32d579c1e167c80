// The exercise that the fault tests and their child program play over and over.
#pragma once

#include <utility>
#include <vector>

#include "draws.h"

namespace piecettes::faults {

// One 50-cent coin and one 1-euro coin, and a price of 0.50: a press on the coin of cell 5
// pays it exactly, while a press on the coin of cell 6 and OK open the change question.
constexpr int FiftyCentCell = 5;
constexpr int OneEuroCell = 6;
inline std::vector<int> plainExercise() { return test::exercise("00000110", 0, 50); }

// Draws the given numbers once, then the plain exercise over and over.
inline Draws script(std::vector<int> first = {}) { return Draws::scripted(std::move(first), plainExercise()); }

}  // namespace piecettes::faults

// What the fuzz targets share: a check that stops the run on the first broken property.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace piecettes::fuzz {

// Amounts within this many euros either way write and read back within half a cent;
// beyond it a double no longer holds the cents of an amount (2^53 cents is about 9e13
// euros), and nothing the program shows comes near it.
constexpr double RoundTripLimit = 1e9;
constexpr double HalfCent = 0.005;
// What a double may add to the half cent of rounding at the largest amount checked.
constexpr double RoundTripSlack = 1e-6;

inline void require(bool holds, const char* property) {
    if (holds) return;
    std::fprintf(stderr, "broken: %s\n", property);
    std::abort();
}

}  // namespace piecettes::fuzz

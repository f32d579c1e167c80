// What the fuzz targets share: a check that stops the run on the first broken property.
#pragma once

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

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

// The same double, bit for bit: a -0 is not a 0.
inline bool same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// What the host's own library reads from "digits[.digits]", its sign given apart: the
// correctly rounded double, infinity beyond the largest and 0 below half the smallest.
inline double readByLibrary(std::string_view number, bool negative) {
    double value = 0;
    if (std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::fixed).ec ==
        std::errc::result_out_of_range) {
        // Out of range, from_chars leaves the value: a whole part over 0 overflows.
        const bool whole = number.find_first_of("123456789") < number.find('.');
        value = whole ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

}  // namespace piecettes::fuzz

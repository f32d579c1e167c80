#include "amount.h"

#include <charconv>
#include <cmath>
#include <limits>

// emscripten's C++ library has no <charconv> for doubles. Its C library never changes
// its locale, so strtod and snprintf read and write a point there, exactly as well.
#if defined(__EMSCRIPTEN__) && !defined(__cpp_lib_to_chars)
#define PIECETTES_AMOUNT_THROUGH_C 1
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#endif

namespace piecettes {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// Both conversions use <charconv>, which ignores the C library's locale: under a
// French LC_NUMERIC, strtod stops at a point and printf writes a comma.
double readAmount(std::string_view text) {
    // Keep only the characters of the leading number, so that from_chars reads a
    // plain form that cannot contain an exponent or a prefix.
    std::string number;
    bool negative = false;
    bool signSeen = false;
    bool digitSeen = false;
    bool pointSeen = false;
    bool wholePartNonZero = false;
    bool commaReplaced = false;
    for (char c : text) {
        if (c == ',' && !commaReplaced) {
            commaReplaced = true;
            c = '.';
        }
        if (isBlank(c)) continue;
        if ((c == '+' || c == '-') && !signSeen && !digitSeen && !pointSeen) {
            signSeen = true;
            negative = c == '-';
        } else if (isDigit(c)) {
            digitSeen = true;
            wholePartNonZero = wholePartNonZero || (!pointSeen && c != '0');
            number += c;
        } else if (c == '.' && !pointSeen) {
            pointSeen = true;
            number += c;
        } else {
            break;
        }
    }
    if (!digitSeen) return 0.0;
    double value = 0.0;
#ifdef PIECETTES_AMOUNT_THROUGH_C
    errno = 0;
    value = std::strtod(number.c_str(), nullptr);
    // musl also reports a subnormal result as out of range, which from_chars reads as it is.
    const bool outOfRange = errno == ERANGE && (std::isinf(value) || value == 0.0);
#else
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value,
                                              std::chars_format::fixed);
    const bool outOfRange = error == std::errc::result_out_of_range;
#endif
    // Out of range: too many digits before the point overflow, after it they underflow.
    if (outOfRange) value = wholePartNonZero ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

std::string formatAmount(double amount, char decimalSeparator) {
    if (!std::isfinite(amount)) amount = 0.0;
    // 309 digits before the point at most, plus sign, point and two decimals.
    char buffer[320];
#ifdef PIECETTES_AMOUNT_THROUGH_C
    std::string text(buffer, static_cast<std::size_t>(std::snprintf(buffer, sizeof buffer, "%.2f", amount)));
#else
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, amount, std::chars_format::fixed, 2).ptr;
    std::string text(buffer, end);
#endif
    if (text == "-0.00") text = "0.00";
    if (const auto point = text.find('.'); point != std::string::npos) text[point] = decimalSeparator;
    return text;
}

}  // namespace piecettes

#include "amount.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

// Both conversions are exact and written here with integers only, the same on every
// platform: they ignore the C library's locale (under a French LC_NUMERIC strtod stops
// at a point and printf writes a comma), and they keep the C library's strtod and
// printf, with their 128-bit long double arithmetic, out of the web page.

namespace piecettes {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A natural number as its digits in a base, least significant first, with no zero digit
// on top: zero has no digits. Reading meets numbers of 3800 bits at most, and writing
// numbers below 10^315, whose digits fit in the room here.
struct Natural {
    int size = 0;
    std::uint32_t digit[128] = {};
};
constexpr std::uint64_t Binary = std::uint64_t{1} << 32;
constexpr std::uint64_t Decimal = 1000000000;

// x = x * multiplier + addend, for a multiplier below 2^30 and an addend below 2^62.
void multiplyAdd(Natural& x, std::uint64_t multiplier, std::uint64_t addend, std::uint64_t base = Binary) {
    std::uint64_t carry = addend;
    for (int i = 0; i < x.size; ++i) {
        carry += x.digit[i] * multiplier;
        x.digit[i] = static_cast<std::uint32_t>(carry % base);
        carry /= base;
    }
    for (; carry != 0; carry /= base) x.digit[x.size++] = static_cast<std::uint32_t>(carry % base);
}

// x = x * 2^bits.
void shiftLeft(Natural& x, long bits, std::uint64_t base = Binary) {
    for (; bits > 0; bits -= 29) multiplyAdd(x, std::uint64_t{1} << std::min(bits, 29L), 0, base);
}

int compare(const Natural& a, const Natural& b) {
    if (a.size != b.size) return a.size < b.size ? -1 : 1;
    for (int i = a.size; i-- > 0;)
        if (a.digit[i] != b.digit[i]) return a.digit[i] < b.digit[i] ? -1 : 1;
    return 0;
}

// a = a - b, where b <= a.
void subtract(Natural& a, const Natural& b) {
    std::uint64_t borrow = 0;
    for (int i = 0; i < a.size; ++i) {
        const std::uint64_t difference = a.digit[i] - borrow - (i < b.size ? b.digit[i] : 0);
        a.digit[i] = static_cast<std::uint32_t>(difference);
        borrow = difference >> 63;
    }
    while (a.size > 0 && a.digit[a.size - 1] == 0) --a.size;
}

long bitLength(const Natural& x) {
    return x.size == 0 ? 0 : 32L * (x.size - 1) + static_cast<long>(std::bit_width(x.digit[x.size - 1]));
}

// Every midpoint between two doubles has at most 767 significant digits: digits after
// the first MaxDigits can only tell whether the number lies above the ones kept.
constexpr long MaxDigits = 800;

// The double nearest to numerator / denominator (both above 0), ties to the even one.
double nearest(const Natural& numerator, const Natural& denominator) {
    constexpr std::uint64_t FiftyFourBits = std::uint64_t{1} << 53;  // the smallest number of 54 bits
    // The quotient lies within a factor 2 of 2^(bit lengths' difference): scaled by 2^-scale
    // it has 53 or 54 bits, or fewer where the result is subnormal, whose step is 2^-1074.
    for (long scale = std::max(bitLength(numerator) - bitLength(denominator) - 53, -1074L);; ++scale) {
        Natural remainder = numerator;
        Natural divisor = denominator;
        shiftLeft(scale < 0 ? remainder : divisor, std::abs(scale));
        std::uint64_t quotient = 0;
        for (int bit = 53; bit >= 0; --bit) {
            Natural step = divisor;
            shiftLeft(step, bit);
            if (compare(remainder, step) < 0) continue;
            subtract(remainder, step);
            quotient |= std::uint64_t{1} << bit;
        }
        if (quotient >= FiftyFourBits) continue;
        // Twice the remainder against the divisor: below, above or exactly half a step.
        shiftLeft(remainder, 1);
        const int half = compare(remainder, divisor);
        if (half > 0 || (half == 0 && (quotient & 1) != 0)) ++quotient;
        // Exact, or infinite beyond the largest double.
        return std::ldexp(static_cast<double>(quotient), static_cast<int>(scale));
    }
}

}  // namespace

double readAmount(std::string_view text) {
    // The number is numerator * 10^exponent: its first MaxDigits significant digits, and
    // whether any digit beyond them is not 0.
    Natural numerator;
    long digits = 0;
    long exponent = 0;
    bool beyond = false;
    bool negative = false;
    bool signSeen = false;
    bool digitSeen = false;
    bool pointSeen = false;
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
            if (digits < MaxDigits) {
                multiplyAdd(numerator, 10, static_cast<std::uint64_t>(c - '0'));
                digits += numerator.size != 0;
                exponent -= pointSeen;
            } else {
                beyond = beyond || c != '0';
                exponent += !pointSeen;
            }
        } else if (c == '.' && !pointSeen) {
            pointSeen = true;
        } else {
            break;
        }
    }
    if (!digitSeen) return 0.0;
    // A last 1 stands for the digits beyond.
    if (beyond) {
        multiplyAdd(numerator, 10, 1);
        ++digits;
        --exponent;
    }
    double value = 0.0;
    // Below 10^-324, less than half the smallest double, the number reads as 0; from
    // 10^309 on, above the largest, as infinity.
    if (digits == 0 || digits + exponent <= -324) {
        value = 0.0;
    } else if (digits - 1 + exponent >= 309) {
        value = std::numeric_limits<double>::infinity();
    } else {
        Natural denominator;
        multiplyAdd(denominator, 0, 1);
        for (long i = 0; i < std::abs(exponent); ++i) multiplyAdd(exponent < 0 ? denominator : numerator, 10, 0);
        value = nearest(numerator, denominator);
    }
    return negative ? -value : value;
}

std::string formatAmount(double amount, char decimalSeparator) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &amount, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    const int biased = static_cast<int>(bits >> 52 & 0x7ff);
    // amount = significand * 2^exponent; a value that is not finite is written as 0.
    std::uint64_t significand = bits & ((std::uint64_t{1} << 52) - 1);
    int exponent = -1074;
    if (biased == 0x7ff) {
        significand = 0;
    } else if (biased != 0) {
        significand |= std::uint64_t{1} << 52;
        exponent = biased - 1075;
    }
    // The hundredths, 100 * significand * 2^exponent, below 2^60 before any doubling.
    std::uint64_t hundredths = 100 * significand;
    if (exponent < 0) {
        // Rounded to the nearest whole, ties to even.
        const int drop = std::min(-exponent, 62);
        const std::uint64_t rest = hundredths & ((std::uint64_t{1} << drop) - 1);
        const std::uint64_t half = std::uint64_t{1} << (drop - 1);
        hundredths >>= drop;
        if (rest > half || (rest == half && (hundredths & 1) != 0)) ++hundredths;
    }
    // In groups of nine digits, with one group at least.
    Natural value;
    value.size = 1;
    multiplyAdd(value, 0, hundredths, Decimal);
    shiftLeft(value, exponent, Decimal);
    // Written from the last digit back: 2^1024 hundredths take 35 groups.
    char buffer[320];
    char* start = std::end(buffer);
    int written = 0;
    for (int g = 0; g < value.size; ++g) {
        std::uint32_t group = value.digit[g];
        for (int i = 0; i < 9; ++i, group /= 10) {
            if (written++ == 2) *--start = decimalSeparator;
            *--start = static_cast<char>('0' + group % 10);
        }
    }
    while (start[0] == '0' && start[1] != decimalSeparator) ++start;
    if (negative && hundredths != 0) *--start = '-';
    return std::string(start, static_cast<std::size_t>(std::end(buffer) - start));
}

}  // namespace piecettes

// Fuzz target: an amount written by formatAmount reads back with readAmount within
// half a cent, for every finite double within RoundTripLimit; any other double still
// writes as a plain amount with two decimals. Both are checked against the host's
// <charconv>: the double writes as to_chars rounds it to the hundredth, and the exact
// midpoint between it and the next double up, and the long doubles on either side of
// that midpoint, read as from_chars reads them. The input is 8 bytes of a double, then
// an optional byte that chooses the separator.
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "amount.h"
#include "fuzz_check.h"

using piecettes::formatAmount;
using piecettes::readAmount;
using namespace piecettes::fuzz;

namespace {

// '-'? digits separator digit digit, nothing else.
bool plainAmount(const std::string& text, char separator) {
    std::size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    const std::size_t digits = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == digits || i + 3 != text.size() || text[i] != separator) return false;
    return text[i + 1] >= '0' && text[i + 1] <= '9' && text[i + 2] >= '0' && text[i + 2] <= '9';
}

// What to_chars writes, with formatAmount's own rules on top.
std::string writtenByLibrary(double amount, char separator) {
    char buffer[400];
    const double finite = std::isfinite(amount) ? amount : 0.0;
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, finite, std::chars_format::fixed, 2).ptr;
    std::string text(buffer, end);
    if (text == "-0.00") text = "0.00";
    text[text.size() - 3] = separator;
    return text;
}

// The exact decimal expansion of a long double of at least 0, without trailing zeros.
std::string exactDigits(long double value) {
    // The smallest steps between long doubles near the smallest doubles take 1138 decimals.
    std::string text(1600, '\0');
    text.resize(std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 1150).ptr -
                text.data());
    text.erase(text.find_last_not_of('0') + 1);
    return text;
}

// The midpoint between the amount and the next double up, and the long doubles on either
// side of it, where there is room for them: the hardest numbers to round.
void readMidpoints(double amount) {
    if constexpr (std::numeric_limits<long double>::digits >= 64) {
        const double magnitude = std::fabs(amount);
        const double next = std::nextafter(magnitude, std::numeric_limits<double>::infinity());
        const long double up = std::isinf(next) ? std::ldexp(1.0L, 1024) : next;
        const long double middle = (magnitude + up) / 2;
        for (const long double near : {middle, std::nextafter(middle, 0.0L), std::nextafter(middle, up)}) {
            const std::string number = exactDigits(near);
            require(same(readAmount(number), readByLibrary(number, false)),
                    "a number near a midpoint reads as the host's from_chars reads it");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    double amount = 0;
    if (size < sizeof amount) return 0;
    std::memcpy(&amount, data, sizeof amount);
    const char separator = size > sizeof amount && (data[sizeof amount] & 1) ? '.' : ',';

    const std::string text = formatAmount(amount, separator);
    require(text == writtenByLibrary(amount, separator), "an amount writes as the host's to_chars writes it");
    require(plainAmount(text, separator), "an amount writes as digits, the separator and two decimals");
    require(text != "-0,00" && text != "-0.00", "no amount writes as minus zero");
    if (!std::isfinite(amount)) {
        require(readAmount(text) == 0, "a value that is not finite writes as 0");
        return 0;
    }
    readMidpoints(amount);
    if (std::fabs(amount) <= RoundTripLimit) {
        require(std::fabs(readAmount(text) - amount) <= HalfCent + RoundTripSlack,
                "a written amount reads back within half a cent");
        // The window keeps amounts as floats: they survive the trip as well.
        const float stored = static_cast<float>(amount);
        require(std::fabs(readAmount(formatAmount(stored, separator)) - stored) <= HalfCent + RoundTripSlack,
                "a float amount reads back within half a cent");
    }
    return 0;
}

// Fuzz target: an amount written by formatAmount reads back with readAmount within
// half a cent, for every finite double within RoundTripLimit; any other double still
// writes as a plain amount with two decimals. The input is 8 bytes of a double, then
// an optional byte that chooses the separator.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    double amount = 0;
    if (size < sizeof amount) return 0;
    std::memcpy(&amount, data, sizeof amount);
    const char separator = size > sizeof amount && (data[sizeof amount] & 1) ? '.' : ',';

    const std::string text = formatAmount(amount, separator);
    require(plainAmount(text, separator), "an amount writes as digits, the separator and two decimals");
    require(text != "-0,00" && text != "-0.00", "no amount writes as minus zero");
    if (!std::isfinite(amount)) {
        require(readAmount(text) == 0, "a value that is not finite writes as 0");
        return 0;
    }
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

// Fuzz target: reading an amount from any text a person could type or paste.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "amount.h"
#include "fuzz_check.h"

using piecettes::formatAmount;
using piecettes::readAmount;
using namespace piecettes::fuzz;

namespace {

// The leading number as the host's library reads it, scanned here on its own.
double readLeadingNumber(const std::string& text) {
    std::string number;
    bool negative = false;
    bool signSeen = false;
    bool commaSeen = false;
    for (char c : text) {
        if (c == ',' && !commaSeen) {
            commaSeen = true;
            c = '.';
        }
        if (c == ' ' || c == '\t' || c == '\n') continue;
        const bool point = c == '.' && number.find('.') == std::string::npos;
        if ((c == '+' || c == '-') && number.empty() && !signSeen) {
            signSeen = true;
            negative = c == '-';
        } else if ((c >= '0' && c <= '9') || point) {
            number += c;
        } else {
            break;
        }
    }
    if (number.find_first_of("0123456789") == std::string::npos) return 0.0;
    return readByLibrary(number, negative);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double value = readAmount(text);
    require(same(value, readLeadingNumber(text)), "a text reads as the host's from_chars reads its number");
    require(!std::isnan(value), "a text never reads as NaN");
    if (text.find('-') == std::string::npos) require(!(value < 0), "a text without '-' never reads below 0");
    // Reading stops where the number stops: what comes after cannot change it.
    require(readAmount(text + "x9") == value, "text after the number is ignored");
    require(readAmount(" " + text) == value, "leading blanks are skipped");
    // What was read writes and reads back within half a cent, with either separator.
    if (std::fabs(value) <= RoundTripLimit) {
        for (const char separator : {',', '.'}) {
            const double again = readAmount(formatAmount(value, separator));
            require(std::fabs(again - value) <= HalfCent + RoundTripSlack, "a read amount writes and reads back");
        }
    }
    return 0;
}

#include "amount.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace piecettes {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double readAmount(std::string_view text) {
    // Keep only the characters of the leading number, then let strtod read that
    // plain form, which cannot contain an exponent or a prefix.
    std::string number;
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
            number += c;
        } else if (isDigit(c)) {
            digitSeen = true;
            number += c;
        } else if (c == '.' && !pointSeen) {
            pointSeen = true;
            number += c;
        } else {
            break;
        }
    }
    if (!digitSeen) return 0.0;
    return std::strtod(number.c_str(), nullptr);
}

std::string formatAmount(double amount, char decimalSeparator) {
    if (!std::isfinite(amount)) amount = 0.0;
    // 309 digits before the point at most, plus sign, point and two decimals.
    char buffer[320];
    std::snprintf(buffer, sizeof buffer, "%.2f", amount);
    std::string text(buffer);
    if (text == "-0.00") text = "0.00";
    if (const auto point = text.find('.'); point != std::string::npos) text[point] = decimalSeparator;
    return text;
}

}  // namespace piecettes

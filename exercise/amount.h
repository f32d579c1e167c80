// Coins, amounts and how they are read from and written to text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace piecettes {

// Amounts are euros held as 32-bit floats; every sum is rounded to float as it is stored.
using Amount = float;

constexpr int CoinTypeCount = 8;
// The per-type arrays have one spare slot that always reads 0.
constexpr int SlotCount = 9;
constexpr int PlacesPerType = 5;
constexpr int CellCount = CoinTypeCount * PlacesPerType;

// Values in CoinType order: 1 cent first, 2 euros last; slot 8 stays 0.
constexpr std::array<Amount, SlotCount> CoinValues{0.01f, 0.02f, 0.05f, 0.10f, 0.20f,
                                                   0.50f, 1.00f, 2.00f, 0.0f};

// The margin of every comparison between two amounts.
constexpr double AmountTolerance = 0.001;
constexpr float AmountToleranceF = 0.001f;

// Cell k of the coin grid holds a coin of type k mod 8 at place k div 8.
constexpr int cellType(int cell) { return cell % CoinTypeCount; }
constexpr int cellPlace(int cell) { return cell / CoinTypeCount; }
constexpr int cellOf(int type, int place) { return place * CoinTypeCount + type; }

// Reads what a person typed or what formatAmount wrote. The first comma counts as a
// decimal point; blanks are skipped anywhere; reading stops at the first character
// that cannot continue "[+-]digits[.digits]". No exponent, no hex or octal prefix.
// Text without a leading number reads as 0. The number reads as the nearest double,
// ties to even, however many digits it has: infinity beyond the largest double.
double readAmount(std::string_view text);

// Writes an amount rounded to the hundredth with exactly two decimals, the given
// separator ('.' or ','), a leading '-' only for amounts that stay negative once
// rounded, and no grouping. A value that is not finite is written as 0. The rounding
// takes the double's exact value to the nearest hundredth, ties to even: 0.125 writes
// as 0.12, and 1.005, a little less in binary, as 1.00.
std::string formatAmount(double amount, char decimalSeparator);

}  // namespace piecettes

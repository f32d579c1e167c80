// Purses and prices as tests write them, turned into the numbers the exercise draws.
#pragma once

#include <stdexcept>
#include <string_view>
#include <vector>

#include "random.h"

namespace piecettes::test {

// An exercise's draws: a purse written as its count of each coin type, 1 cent first
// ("00000110" holds one 50-cent coin and one 1-euro coin, "55555555" is full), then a
// price in euros and cents.
inline std::vector<int> exercise(std::string_view purse, int euros, int cents) {
    if (purse.size() != 8) throw std::invalid_argument("a purse has eight coin types");
    std::vector<int> draws;
    for (char count : purse) draws.push_back(count - '0');
    draws.push_back(euros);
    draws.push_back(cents);
    return draws;
}

// These exercises, in order, then the last one over and over.
inline Draws exercises(std::initializer_list<std::vector<int>> each) {
    std::vector<int> all;
    for (const auto& one : each) all.insert(all.end(), one.begin(), one.end());
    return Draws::scripted(all, each.size() ? *(each.end() - 1) : std::vector<int>{});
}

}  // namespace piecettes::test

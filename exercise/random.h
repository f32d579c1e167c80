// The random source of the purse and price draw, as a value.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace piecettes {

// Whole numbers drawn below a bound: from a seeded engine, or, for tests, from a script of
// the very numbers the rules are to draw. Copying it copies where the draws stand.
class Draws {
public:
    explicit Draws(std::uint64_t seed);
    // Draws exactly these numbers, in order, then the numbers of `again` over and over.
    // Running out, or a number not below its bound, throws std::logic_error: the script
    // no longer matches the rules.
    static Draws scripted(std::vector<int> numbers, std::vector<int> again = {});

    // A whole number r with 0 <= r < bound, for bound >= 1.
    int below(int bound);
    // The numbers drawn so far, scripted or seeded.
    std::size_t drawn() const { return next_; }

private:
    Draws() = default;
    std::mt19937_64 engine_;
    bool scripted_ = false;
    std::vector<int> script_;
    std::vector<int> again_;
    std::size_t next_ = 0;
};

// A seed from the clock's finest readings, so that two games started within the same
// second still draw different purses.
std::uint64_t clockSeed();

}  // namespace piecettes

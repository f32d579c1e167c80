// The random source of the purse and price draw.
#pragma once

#include <random>

namespace piecettes {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A uniform number r with 0 <= r < 1.
    virtual double next() = 0;
    // Seeds the sequence anew from the clock.
    virtual void reseed() = 0;
};

// Mersenne Twister seeded from the clock's finest reading, so that two exercises
// started within the same second still draw different purses.
class ClockRandom final : public RandomSource {
public:
    ClockRandom();
    double next() override;
    void reseed() override;

private:
    std::mt19937_64 engine_;
    std::uniform_real_distribution<double> uniform_{0.0, 1.0};
};

}  // namespace piecettes

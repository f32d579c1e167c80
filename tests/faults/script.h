// A random source that plays back a script of draws, for the fault tests and their
// child program.
#pragma once

#include <array>
#include <deque>
#include <vector>

#include "amount.h"
#include "exercise_window.h"
#include "random.h"

namespace piecettes::faults {

constexpr int MaxCoinsDrawn = 6;
constexpr int EurosDrawn = 12;
constexpr int CentsDrawn = 100;

// The draws that make a purse of these counts per coin type, then a price.
inline std::vector<double> exerciseDraws(const std::array<int, CoinTypeCount>& counts, int euros, int cents) {
    std::vector<double> draws;
    for (int count : counts) draws.push_back((count + 0.5) / MaxCoinsDrawn);
    draws.push_back((euros + 0.5) / EurosDrawn);
    draws.push_back((cents + 0.5) / CentsDrawn);
    return draws;
}

// One 50-cent coin and one 1-euro coin, and a price of 0.50: a press on the coin of cell 5
// pays it exactly, while a press on the coin of cell 6 and OK open the change question.
constexpr int FiftyCentCell = 5;
constexpr int OneEuroCell = 6;
inline std::vector<double> plainExercise() { return exerciseDraws({0, 0, 0, 0, 0, 1, 1, 0}, 0, 50); }

// Plays the given draws once, then the plain exercise over and over.
class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(const std::vector<double>& first = {}) : script_(first.begin(), first.end()) {}
    double next() override {
        if (script_.empty()) {
            const std::vector<double> plain = plainExercise();
            script_.assign(plain.begin(), plain.end());
        }
        ++draws;
        const double draw = script_.front();
        script_.pop_front();
        return draw;
    }
    // Every new exercise reseeds first: this counts the exercises drawn.
    void reseed() override { ++exercisesDrawn; }

    int draws = 0;
    int exercisesDrawn = 0;

private:
    std::deque<double> script_;
};

}  // namespace piecettes::faults

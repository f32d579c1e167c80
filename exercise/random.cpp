#include "random.h"

#include <chrono>

namespace piecettes {

ClockRandom::ClockRandom() { reseed(); }

double ClockRandom::next() {
    // uniform_real_distribution may round up to 1.0 on some libraries; keep the bound.
    double r = uniform_(engine_);
    return r < 1.0 ? r : 0.0;
}

void ClockRandom::reseed() {
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    const auto steady = std::chrono::steady_clock::now().time_since_epoch().count();
    std::seed_seq seed{static_cast<unsigned>(now), static_cast<unsigned>(now >> 32),
                       static_cast<unsigned>(steady), static_cast<unsigned>(steady >> 32)};
    engine_.seed(seed);
}

}  // namespace piecettes

#include "random.h"

#include <array>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace piecettes {

namespace {

// Only a test scripts the draws; a build without exceptions (the page) stops instead.
[[noreturn]] void scriptFault(const std::string& what) {
#if defined(__cpp_exceptions)
    throw std::logic_error(what);
#else
    (void)what;
    std::abort();
#endif
}

}  // namespace

Draws::Draws(std::uint64_t seed) : engine_(seed) {}

Draws Draws::scripted(std::vector<int> numbers, std::vector<int> again) {
    Draws draws;
    draws.scripted_ = true;
    draws.script_ = std::move(numbers);
    draws.again_ = std::move(again);
    return draws;
}

int Draws::below(int bound) {
    if (bound < 1) return 0;
    if (!scripted_) {
        ++next_;
        return std::uniform_int_distribution<int>(0, bound - 1)(engine_);
    }
    if (next_ >= script_.size() && again_.empty())
        scriptFault("the rules drew more numbers than the script holds");
    const int number = next_ < script_.size() ? script_[next_] : again_[(next_ - script_.size()) % again_.size()];
    ++next_;
    if (number < 0 || number >= bound)
        scriptFault("scripted number " + std::to_string(number) + " is not below " + std::to_string(bound));
    return number;
}

std::uint64_t clockSeed() {
    const auto now = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    const auto steady = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::seed_seq seq{static_cast<unsigned>(now), static_cast<unsigned>(now >> 32), static_cast<unsigned>(steady),
                      static_cast<unsigned>(steady >> 32)};
    std::array<std::uint32_t, 2> words{};
    seq.generate(words.begin(), words.end());
    return (std::uint64_t(words[0]) << 32) | words[1];
}

}  // namespace piecettes

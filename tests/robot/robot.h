// A robot child: drives the real window with a seeded stream of random events and
// checks the rules of the running exercise after every one of them.
#pragma once

#include <cstdint>
#include <string>

namespace piecettes::robot {

struct Options {
    std::uint64_t seed = 1;
    std::int64_t events = 100'000;
    // Every this many events a line on standard error tells how far the run is; 0: never.
    std::int64_t progressEvery = 0;
};

struct Report {
    std::int64_t events = 0;
    std::int64_t eventsInPause = 0;
    std::int64_t eventsDuringInfo = 0;
    std::int64_t checks = 0;
    std::int64_t pauses = 0;
    std::int64_t infoBoxes = 0;
    std::int64_t series = 0;
    std::int64_t seriesFinished = 0;
    std::int64_t windowsQuit = 0;
    // Empty while every rule held; otherwise the first broken rule, with the seed and
    // the event number that replay it.
    std::string failure;
};

// Runs on the application's thread; needs a QApplication.
Report run(const Options& options);

}  // namespace piecettes::robot

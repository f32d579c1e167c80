// Starts a program on the X display of $DISPLAY and reports how long its first
// window took to be mapped, its CPU time until then, optionally how long until given
// pixels were on the screen, its resident memory once it has settled, and optionally
// the CPU time it uses while left alone.
//
// Usage: bench_launch [--idle SECONDS | --stop-at-map] [--drawn REGION]... PROGRAM [ARGS...]
// Prints one line: startup_ms=... startup_cpu_ms=... [drawn_ms=... drawn_cpu_ms=...]
// settle_ms=... rss_kib=... [idle_cpu_ms=...]
// --stop-at-map ends the program as soon as its window is mapped, for profiling start-up.
// --drawn LEFT,TOP,WIDTH,HEIGHT,TEST is a rectangle of the window, in pixels from its
// top-left corner, and what the screen must show there: =RRGGBB at least MinPixels
// pixels of that colour, ~RRGGBB at least MinPixels pixels of other colours, !RRGGBB
// no pixel of that colour. The screen is read from the root window, as a screenshot
// would, until every rectangle passes; drawn_ms is then the time since the start.
//
// The display must have no window manager: the first MapNotify on the root window is
// then the program's own window being mapped. The process is ended with SIGTERM.
#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Long enough for a program started under valgrind.
constexpr auto MapTimeout = 120s;
// The program has settled once it used less than SettleCpu over SettleWindow.
constexpr auto SettlePoll = 50ms;
constexpr auto SettleWindow = 300ms;
constexpr double SettleCpuMs = 0.5;
constexpr auto SettleTimeout = 5s;
// Long enough for valgrind to write its profile.
constexpr auto TermTimeout = 30s;
// How often the screen is read while waiting for the drawn pixels, and for how long.
constexpr auto DrawnPoll = 2ms;
constexpr auto DrawnTimeout = 10s;
// Enough pixels to be part of a drawn glyph or picture rather than a stray one.
constexpr int MinPixels = 20;

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// CPU time of every thread of the process so far, in ms, from the scheduler's
// nanosecond counters (utime and stime only count in 10 ms ticks).
double cpuMs(pid_t pid) {
    double total = 0;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream in(task.path() / "schedstat");
        unsigned long long runNs = 0;
        if (in >> runNs) total += runNs / 1e6;
    }
    return total;
}

long rssKib(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "bench_launch: %s\n", what);
    std::exit(2);
}

bool exited(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

void stop(pid_t pid) {
    kill(pid, SIGTERM);
    const auto until = Clock::now() + TermTimeout;
    while (Clock::now() < until) {
        if (exited(pid)) return;
        std::this_thread::sleep_for(10ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

struct Mapped {
    Clock::time_point when;
    xcb_window_t window;
};

// Waits for the first MapNotify of a child of the root window.
std::optional<Mapped> waitForMap(xcb_connection_t* connection, pid_t pid) {
    const int fd = xcb_get_file_descriptor(connection);
    const auto until = Clock::now() + MapTimeout;
    while (Clock::now() < until) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            const xcb_window_t window = mapped ? reinterpret_cast<xcb_map_notify_event_t*>(event)->window : 0;
            std::free(event);
            if (mapped) return Mapped{Clock::now(), window};
        }
        if (xcb_connection_has_error(connection)) fail("lost the X connection");
        if (exited(pid)) return std::nullopt;
        pollfd wait{fd, POLLIN, 0};
        poll(&wait, 1, 20);
    }
    return std::nullopt;
}

// A rectangle of the window and what the screen must show in it.
struct Region {
    int left = 0, top = 0, width = 0, height = 0;
    char test = '=';
    uint32_t colour = 0;
};

std::optional<Region> parseRegion(const char* text) {
    Region region;
    char test = 0;
    unsigned colour = 0;
    int used = 0;
    if (std::sscanf(text, "%d,%d,%d,%d,%c%6x%n", &region.left, &region.top, &region.width, &region.height, &test,
                    &colour, &used) != 6 ||
        text[used] != '\0' || region.width <= 0 || region.height <= 0 || std::strchr("=~!", test) == nullptr)
        return std::nullopt;
    region.test = test;
    region.colour = colour;
    return region;
}

// Whether the screen shows what the region asks for, read from the root window at the
// window's place. Needs a 24-bit screen with 32 bits a pixel, as Xvfb's default.
bool shows(xcb_connection_t* connection, xcb_window_t root, int x, int y, const Region& region) {
    xcb_get_image_reply_t* reply = xcb_get_image_reply(
        connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, root, static_cast<int16_t>(x + region.left),
                      static_cast<int16_t>(y + region.top), static_cast<uint16_t>(region.width),
                      static_cast<uint16_t>(region.height), ~0u),
        nullptr);
    if (!reply) fail("cannot read the screen");
    const int count = region.width * region.height;
    if (xcb_get_image_data_length(reply) != count * 4) fail("the screen is not 32 bits a pixel");
    const auto* pixels = reinterpret_cast<const uint32_t*>(xcb_get_image_data(reply));
    int same = 0;
    for (int i = 0; i < count; ++i) same += (pixels[i] & 0xFFFFFF) == region.colour;
    std::free(reply);
    switch (region.test) {
        case '=': return same >= MinPixels;
        case '~': return count - same >= MinPixels;
        default: return same == 0;
    }
}

// Waits until the screen shows every region of the mapped window.
std::optional<Clock::time_point> waitForPixels(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                                               const std::vector<Region>& regions, pid_t pid) {
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    if (!geometry) fail("cannot read the window's place");
    const int x = geometry->x + geometry->border_width;
    const int y = geometry->y + geometry->border_width;
    std::free(geometry);
    const auto until = Clock::now() + DrawnTimeout;
    while (Clock::now() < until) {
        bool all = true;
        for (const Region& region : regions) {
            if (!shows(connection, root, x, y, region)) {
                all = false;
                break;
            }
        }
        if (all) return Clock::now();
        if (exited(pid)) return std::nullopt;
        std::this_thread::sleep_for(DrawnPoll);
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
    int first = 1;
    double idleSeconds = 0;
    bool stopAtMap = false;
    std::vector<Region> regions;
    while (first < argc && argv[first][0] == '-') {
        if (std::strcmp(argv[first], "--idle") == 0 && first + 1 < argc) {
            idleSeconds = std::atof(argv[first + 1]);
            first += 2;
        } else if (std::strcmp(argv[first], "--stop-at-map") == 0) {
            stopAtMap = true;
            first += 1;
        } else if (std::strcmp(argv[first], "--drawn") == 0 && first + 1 < argc) {
            const auto region = parseRegion(argv[first + 1]);
            if (!region) fail("a region is LEFT,TOP,WIDTH,HEIGHT,=RRGGBB (or ~RRGGBB, !RRGGBB)");
            regions.push_back(*region);
            first += 2;
        } else {
            break;
        }
    }
    if (first >= argc)
        fail("usage: bench_launch [--idle SECONDS | --stop-at-map] [--drawn REGION]... PROGRAM [ARGS...]");

    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) fail("cannot open the display");
    fcntl(xcb_get_file_descriptor(connection), F_SETFD, FD_CLOEXEC);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    if (xcb_generic_error_t* error = xcb_request_check(
            connection, xcb_change_window_attributes_checked(connection, screens.data->root, XCB_CW_EVENT_MASK, &mask))) {
        std::free(error);
        fail("cannot watch the root window");
    }

    const auto started = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) fail("fork failed");
    if (pid == 0) {
        execvp(argv[first], argv + first);
        std::perror(argv[first]);
        _exit(127);
    }

    const auto mapped = waitForMap(connection, pid);
    const double startupCpu = cpuMs(pid);
    if (!mapped || stopAtMap) stop(pid);
    if (!mapped) fail("the program exited or showed no window in time");
    if (stopAtMap) {
        std::printf("startup_ms=%.2f startup_cpu_ms=%.2f\n", msBetween(started, mapped->when), startupCpu);
        return 0;
    }
    std::optional<Clock::time_point> drawn;
    double drawnCpu = 0;
    if (!regions.empty()) {
        drawn = waitForPixels(connection, screens.data->root, mapped->window, regions, pid);
        drawnCpu = cpuMs(pid);
        if (!drawn) {
            stop(pid);
            fail("the screen did not show the drawn regions in time");
        }
    }
    // Printed only now, so that a failed run leaves no half line.
    std::printf("startup_ms=%.2f startup_cpu_ms=%.2f", msBetween(started, mapped->when), startupCpu);
    if (drawn) std::printf(" drawn_ms=%.2f drawn_cpu_ms=%.2f", msBetween(started, *drawn), drawnCpu);

    // Let it finish what the first show starts (for Piécettes: the first exercise).
    double lastCpu = cpuMs(pid);
    auto quietSince = Clock::now();
    while (Clock::now() - mapped->when < SettleTimeout) {
        std::this_thread::sleep_for(SettlePoll);
        const double cpu = cpuMs(pid);
        if (cpu - lastCpu >= SettleCpuMs) {
            lastCpu = cpu;
            quietSince = Clock::now();
        } else if (Clock::now() - quietSince >= SettleWindow) {
            break;
        }
    }
    const auto settled = Clock::now();
    const long rss = rssKib(pid);

    std::printf(" settle_ms=%.0f rss_kib=%ld", msBetween(mapped->when, settled), rss);
    if (idleSeconds > 0) {
        const double before = cpuMs(pid);
        std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
        std::printf(" idle_cpu_ms=%.3f", cpuMs(pid) - before);
    }
    std::printf("\n");
    stop(pid);
    xcb_disconnect(connection);
    return 0;
}

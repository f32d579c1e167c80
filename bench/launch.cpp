// Starts a program on the X display of $DISPLAY and reports how long its first
// window took to be mapped, its CPU time until then, its resident memory once it has
// settled, and optionally the CPU time it uses while left alone.
//
// Usage: bench_launch [--idle SECONDS | --stop-at-map] PROGRAM [ARGS...]
// Prints one line: startup_ms=... startup_cpu_ms=... settle_ms=... rss_kib=... [idle_cpu_ms=...]
// --stop-at-map ends the program as soon as its window is mapped, for profiling start-up.
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

// Waits for the first MapNotify of a child of the root window.
std::optional<Clock::time_point> waitForMap(xcb_connection_t* connection, pid_t pid) {
    const int fd = xcb_get_file_descriptor(connection);
    const auto until = Clock::now() + MapTimeout;
    while (Clock::now() < until) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            std::free(event);
            if (mapped) return Clock::now();
        }
        if (xcb_connection_has_error(connection)) fail("lost the X connection");
        if (exited(pid)) return std::nullopt;
        pollfd wait{fd, POLLIN, 0};
        poll(&wait, 1, 20);
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
    int first = 1;
    double idleSeconds = 0;
    bool stopAtMap = false;
    if (argc > 2 && std::strcmp(argv[1], "--idle") == 0) {
        idleSeconds = std::atof(argv[2]);
        first = 3;
    } else if (argc > 1 && std::strcmp(argv[1], "--stop-at-map") == 0) {
        stopAtMap = true;
        first = 2;
    }
    if (first >= argc) fail("usage: bench_launch [--idle SECONDS | --stop-at-map] PROGRAM [ARGS...]");

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
        std::printf("startup_ms=%.2f startup_cpu_ms=%.2f\n", msBetween(started, *mapped), startupCpu);
        return 0;
    }

    // Let it finish what the first show starts (for Piécettes: the first exercise).
    double lastCpu = cpuMs(pid);
    auto quietSince = Clock::now();
    while (Clock::now() - *mapped < SettleTimeout) {
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

    std::printf("startup_ms=%.2f startup_cpu_ms=%.2f settle_ms=%.0f rss_kib=%ld", msBetween(started, *mapped),
                startupCpu, msBetween(*mapped, settled), rss);
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

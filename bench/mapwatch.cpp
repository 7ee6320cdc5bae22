// SPDX-License-Identifier: MIT
// Starts a program and watches it from outside, as an X client listening on
// the root window: the time from its exec to the first map of its first
// top-level window, its resident memory once it has settled, and optionally
// its processor use while idle. Nothing inside the program is changed or
// asked, so the installed program is measured as a user starts it.
//
// Usage: bench_mapwatch [--time-only | --settle MS [--idle SECONDS]] PROGRAM [ARGUMENTS...]
// Prints one line: milliseconds to the map, resident KiB, and with --idle the
// percent of one core used over that many seconds. The program is then ended
// with SIGTERM, as a session would end it. With --time-only it prints the
// milliseconds alone and kills the program at once, so that nothing it does
// after its map runs on into the next start.
#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace
{

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Options {
    bool timeOnly = false;
    int settleMs = 3000;
    int idleSeconds = 0;
    char** program = nullptr;
};

[[noreturn]] void fail(const std::string& why)
{
    std::fprintf(stderr, "bench_mapwatch: %s\n", why.c_str());
    std::exit(1);
}

Options parse(int argc, char* argv[])
{
    Options options;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        if (std::strcmp(argv[i], "--time-only") == 0)
            options.timeOnly = true;
        else if (std::strcmp(argv[i], "--settle") == 0 && i + 1 < argc)
            options.settleMs = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--idle") == 0 && i + 1 < argc)
            options.idleSeconds = std::atoi(argv[++i]);
        else
            fail(std::string("unknown option ") + argv[i]);
    }
    if (i >= argc)
        fail("usage: bench_mapwatch [--time-only | --settle MS [--idle SECONDS]] PROGRAM "
             "[ARGUMENTS...]");
    options.program = argv + i;
    return options;
}

xcb_atom_t atom(xcb_connection_t* x, const char* name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(x, 0, std::strlen(name), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(x, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The process that owns a window, as the toolkit announces it (_NET_WM_PID).
long windowPid(xcb_connection_t* x, xcb_window_t window, xcb_atom_t netWmPid)
{
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(x, 0, window, netWmPid, XCB_ATOM_CARDINAL, 0, 1);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(x, cookie, nullptr), &std::free);
    if (!reply || xcb_get_property_value_length(reply.get()) != 4)
        return -1;
    return *static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
}

bool exited(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

// Waits for the first map of a top-level window of the process; returns when
// it was seen, or fails when the process ends or takes over 30 s.
Clock::time_point waitForMap(xcb_connection_t* x, xcb_window_t root, xcb_atom_t netWmPid, pid_t pid)
{
    const Clock::time_point deadline = Clock::now() + 30s;
    pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
    while (Clock::now() < deadline) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            const Clock::time_point seen = Clock::now();
            const bool map = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            const auto* notify = reinterpret_cast<xcb_map_notify_event_t*>(event);
            const bool topLevel = map && notify->event == root && !notify->override_redirect;
            const xcb_window_t window = notify->window;
            std::free(event);
            if (topLevel && windowPid(x, window, netWmPid) == pid)
                return seen;
        }
        if (xcb_connection_has_error(x))
            fail("the X connection broke");
        if (exited(pid))
            fail("the program ended before it showed a window");
        poll(&fd, 1, 100);
    }
    fail("no window within 30 s");
}

std::string procFile(pid_t pid, const char* name)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Processor time of all the process's threads so far, in seconds.
double cpuSeconds(pid_t pid)
{
    const std::string stat = procFile(pid, "stat");
    const std::size_t afterName = stat.rfind(')');
    if (afterName == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(afterName + 2));
    std::string field;
    unsigned long long user = 0, system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            user = std::stoull(field);
        if (i == 15)
            system = std::stoull(field);
    }
    return double(user + system) / double(sysconf(_SC_CLK_TCK));
}

long residentKiB(pid_t pid)
{
    std::istringstream status(procFile(pid, "status"));
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

void failIfEnded(pid_t pid)
{
    if (exited(pid))
        fail("the program ended by itself");
}

// Start-up is over once the program has used no processor time for a second:
// work it put off until after its first frame is then done too.
void waitUntilQuiet(pid_t pid, int settleMs)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    const Clock::time_point deadline = Clock::now() + 20s;
    double before = cpuSeconds(pid);
    while (Clock::now() < deadline) {
        std::this_thread::sleep_for(1s);
        failIfEnded(pid);
        const double now = cpuSeconds(pid);
        if (now == before)
            return;
        before = now;
    }
}

void end(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (exited(pid))
            return;
        std::this_thread::sleep_for(100ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

} // namespace

int main(int argc, char* argv[])
{
    const Options options = parse(argc, argv);
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (const int error = xcb_connection_has_error(x))
        fail("cannot open the display (xcb error " + std::to_string(error) + ")");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t selected =
        xcb_change_window_attributes_checked(x, root, XCB_CW_EVENT_MASK, &mask);
    if (xcb_generic_error_t* error = xcb_request_check(x, selected)) {
        std::free(error);
        fail("cannot listen on the root window");
    }
    const xcb_atom_t netWmPid = atom(x, "_NET_WM_PID");

    pid_t pid = 0;
    const Clock::time_point started = Clock::now();
    if (const int error =
            posix_spawnp(&pid, options.program[0], nullptr, nullptr, options.program, environ))
        fail(std::string("cannot start ") + options.program[0] + ": " + std::strerror(error));
    const Clock::time_point mapped = waitForMap(x, root, netWmPid, pid);
    const double ms = std::chrono::duration<double, std::milli>(mapped - started).count();
    if (options.timeOnly) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        std::printf("%.1f\n", ms);
        return 0;
    }

    waitUntilQuiet(pid, options.settleMs);
    failIfEnded(pid);
    const long rss = residentKiB(pid);
    std::printf("%.1f %ld", ms, rss);
    if (options.idleSeconds > 0) {
        const double before = cpuSeconds(pid);
        std::this_thread::sleep_for(std::chrono::seconds(options.idleSeconds));
        failIfEnded(pid);
        std::printf(" %.3f", 100.0 * (cpuSeconds(pid) - before) / options.idleSeconds);
    }
    std::printf("\n");
    end(pid);
    xcb_disconnect(x);
    return 0;
}

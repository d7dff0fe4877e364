// Start-up and memory at start of one or two programs, measured from outside on an X display,
// alternating the two run by run so that the machine's load falls on both alike:
//   start-up  from just before exec to the X server's MapNotify of the program's first window;
//   memory    VmRSS of the process a few seconds after that window.
// Usage: bench-start_up [--runs N] [--settle SECONDS] PROGRAM [-- PROGRAM2]
// Each program runs in its own folder (where a build's system/ is); DISPLAY must be set.
// Prints every run, then min / median / max of each and, for two, the ratios first/second.

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    double startMs = 0;
    double rssMiB = 0;
};

double rssMiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kb = 0;
            status >> kb;
            return kb / 1024;
        }
        std::getline(status, key);
    }
    return 0;
}

bool runOnce(const std::string& program, double settle, Run& out) {
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "bench-start_up: no X display\n");
        return false;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);
    const std::string folder = program.substr(0, program.rfind('/') + 1);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!folder.empty() && chdir(folder.c_str()) != 0)
            _exit(126);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    bool mapped = false;
    const auto deadline = start + std::chrono::seconds(10);
    while (!mapped && Clock::now() < deadline) {
        pollfd p{xcb_get_file_descriptor(x), POLLIN, 0};
        poll(&p, 1, 50);
        while (xcb_generic_event_t* e = xcb_poll_for_event(x)) {
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY && !mapped) {
                out.startMs =
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                mapped = true;
            }
            std::free(e);
        }
    }
    xcb_disconnect(x);
    if (mapped) {
        std::this_thread::sleep_for(std::chrono::duration<double>(settle));
        out.rssMiB = rssMiB(pid);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return mapped;
}

void summary(const char* what, std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::printf("  %-10s min %7.1f  median %7.1f  max %7.1f\n", what, v.front(), v[v.size() / 2],
                v.back());
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    int runs = 15;
    double settle = 3;
    std::vector<std::string> programs;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs") && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--settle") && i + 1 < argc)
            settle = std::atof(argv[++i]);
        else if (std::strcmp(argv[i], "--") != 0)
            programs.push_back(argv[i]);
    }
    if (programs.empty() || programs.size() > 2 || runs < 1) {
        std::fprintf(stderr,
                     "usage: bench-start_up [--runs N] [--settle S] PROGRAM [-- PROGRAM2]\n");
        return 2;
    }
    std::vector<std::vector<double>> start(programs.size()), rss(programs.size());
    for (int r = 0; r < runs; ++r) {
        // Alternate which goes first, too.
        for (size_t k = 0; k < programs.size(); ++k) {
            const size_t i = (r % 2 == 0) ? k : programs.size() - 1 - k;
            Run run;
            if (!runOnce(programs[i], settle, run)) {
                std::fprintf(stderr, "bench-start_up: %s showed no window\n", programs[i].c_str());
                return 1;
            }
            start[i].push_back(run.startMs);
            rss[i].push_back(run.rssMiB);
            std::printf("run %2d  %-60s %7.1f ms  %6.1f MiB\n", r + 1, programs[i].c_str(),
                        run.startMs, run.rssMiB);
            std::fflush(stdout);
        }
    }
    for (size_t i = 0; i < programs.size(); ++i) {
        std::printf("%s (%d runs)\n", programs[i].c_str(), runs);
        summary("start-up", start[i]);
        summary("MiB", rss[i]);
    }
    if (programs.size() == 2)
        std::printf("ratio first/second: start-up median %.3f, memory at start median %.3f\n",
                    median(start[0]) / median(start[1]), median(rss[0]) / median(rss[1]));
    return 0;
}

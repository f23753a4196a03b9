// The cost of "lorvanta -toggle" as a desktop shortcut pays it: the whole
// process, from spawn to exit, against a running launcher. Prints the median
// and the 95th percentile over the runs (default 50), for the front program
// and, for comparison, for a second start of the full program.
// Goal: median under 15 ms for "lorvanta -toggle".
//
//   toggle_bench [RUNS]
//
// Uses $DISPLAY when it is set, otherwise starts its own Xvfb. The launcher
// runs on temporary data and runtime folders, so the user's own launcher is
// never touched.

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

pid_t spawn(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) {
        std::fprintf(stderr, "toggle_bench: cannot start %s\n", args[0]);
        std::exit(1);
    }
    return pid;
}

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool appears(const fs::path& file) {
    for (int i = 0; i < 200; ++i) {
        if (fs::exists(file)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// Milliseconds of one whole process run each.
std::vector<double> timeRuns(const std::vector<std::string>& argv, int runs) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        const int code = waitFor(spawn(argv));
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (code != 0) {
            std::fprintf(stderr, "toggle_bench: %s ended with %d\n", argv[0].c_str(), code);
            std::exit(1);
        }
    }
    return ms;
}

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[std::min(ms.size() - 1, size_t(q * ms.size()))]; };
    std::printf("%-28s median %6.2f ms   p95 %6.2f ms   min %6.2f ms   (%zu runs)\n", what, at(0.5),
                at(0.95), ms.front(), ms.size());
}

// Its own X server when there is none, ended with the bench.
struct XServer {
    pid_t pid = 0;
    XServer() {
        if (const char* d = std::getenv("DISPLAY"); d && *d) return;
        const std::string display = ":" + std::to_string(90 + ::getpid() % 100);
        pid = spawn({"/usr/bin/Xvfb", display, "-nolisten", "tcp", "-screen", "0", "1280x800x24"});
        ::setenv("DISPLAY", display.c_str(), 1);
        if (!appears("/tmp/.X11-unix/X" + display.substr(1))) {
            std::fprintf(stderr, "toggle_bench: Xvfb did not start\n");
            std::exit(1);
        }
    }
    ~XServer() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            waitFor(pid);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const std::string front = LORVANTA_BIN;
    const std::string full = fs::path(front).parent_path() / "lorvanta-main";

    char pattern[] = "/tmp/toggle_bench.XXXXXX";
    if (!::mkdtemp(pattern)) return 1;
    const fs::path root = pattern;
    fs::create_directories(root / "home");
    fs::create_directories(root / "runtime");
    ::chmod((root / "runtime").c_str(), 0700);
    ::setenv("LORVANTA_HOME", (root / "home").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
    ::unsetenv("QT_QPA_PLATFORM");

    int code = 0;
    {
        XServer x;
        const pid_t instance = spawn({front});
        if (!appears(root / "runtime" / ("LorvantaMB" + std::to_string(::getuid())))) {
            std::fprintf(stderr, "toggle_bench: the launcher never listened\n");
            code = 1;
        } else {
            timeRuns({front, "-toggle"}, 5); // warm-up: files in the page cache
            report("lorvanta -toggle", timeRuns({front, "-toggle"}, runs));
            report("lorvanta-main -toggle", timeRuns({full, "-toggle"}, runs));
            waitFor(spawn({front, "-exit"}));
        }
        ::kill(instance, SIGTERM);
        waitFor(instance);
    }
    fs::remove_all(root);
    return code;
}

// Start-up of zq40panel: the time from starting the process to the first
// paint of its window, and its resident memory at that moment. The program
// runs offscreen with its lock in a scratch runtime directory, so a copy the
// user has open does not turn the runs into second starts.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const char* const program = ZQ40PANEL_PATH;
const char* const marker = "zq40panel: window shown";

struct Run {
    double ms;
    long rssKiB;
    long peakKiB;
};

long statusField(pid_t pid, const char* field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::strlen(field));
    return -1;
}

std::vector<std::string> environment(const std::string& runtimeDir)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("QT_QPA_PLATFORM=", 0) != 0 && entry.rfind("XDG_RUNTIME_DIR=", 0) != 0 &&
            entry.rfind("ZQ40_REPORT_SHOWN=", 0) != 0)
            env.push_back(entry);
    }
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.push_back("ZQ40_REPORT_SHOWN=1");
    env.push_back("XDG_RUNTIME_DIR=" + runtimeDir);
    return env;
}

bool runOnce(const std::string& runtimeDir, Run& run)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);

    std::vector<std::string> env = environment(runtimeDir);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program), nullptr};

    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    const int rc = posix_spawn(&pid, program, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", program, std::strerror(rc));
        close(pipeFds[0]);
        return false;
    }

    std::string seen;
    bool shown = false;
    const auto deadline = start + std::chrono::seconds(30);
    while (!shown && std::chrono::steady_clock::now() < deadline) {
        pollfd p{pipeFds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char buffer[512];
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        seen.append(buffer, size_t(n));
        shown = seen.find(marker) != std::string::npos;
    }
    const auto end = std::chrono::steady_clock::now();
    if (shown) {
        run.ms = std::chrono::duration<double, std::milli>(end - start).count();
        run.rssKiB = statusField(pid, "VmRSS:");
        run.peakKiB = statusField(pid, "VmHWM:");
    } else {
        std::fprintf(stderr, "no window within 30 s; the program said:\n%s\n", seen.c_str());
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(pipeFds[0]);
    return shown;
}

template <typename T, typename F>
double median(std::vector<T> values, F key)
{
    std::sort(values.begin(), values.end(), [&](const T& a, const T& b) { return key(a) < key(b); });
    const size_t n = values.size();
    return n % 2 ? key(values[n / 2]) : (key(values[n / 2 - 1]) + key(values[n / 2])) / 2.0;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    char dirTemplate[] = "/tmp/zq40-startup-XXXXXX";
    if (!mkdtemp(dirTemplate)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string runtimeDir = dirTemplate;

    std::vector<Run> results;
    for (int i = 0; i < runs; ++i) {
        Run run{};
        if (!runOnce(runtimeDir, run))
            return 1;
        results.push_back(run);
    }
    std::remove((runtimeDir + "/zq40 named mutex.lock").c_str());
    rmdir(runtimeDir.c_str());

    const auto ms = [](const Run& r) { return r.ms; };
    const auto rss = [](const Run& r) { return double(r.rssKiB); };
    const auto peak = [](const Run& r) { return double(r.peakKiB); };
    const auto [fastest, slowest] =
        std::minmax_element(results.begin(), results.end(), [](const Run& a, const Run& b) { return a.ms < b.ms; });
    std::printf("zq40panel, offscreen, %d runs\n", runs);
    std::printf("process start to first paint of the window: median %.1f ms (min %.1f, max %.1f)\n",
                median(results, ms), fastest->ms, slowest->ms);
    std::printf("resident memory at first paint: median %.1f MiB (peak during start-up %.1f MiB)\n",
                median(results, rss) / 1024.0, median(results, peak) / 1024.0);
    return 0;
}

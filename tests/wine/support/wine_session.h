// A Windows program under Wine, started from inside this process's umockdev
// test bed, with a line channel: lines to its stdin, its stdout lines kept
// for the caller to wait on. WineShell speaks ousb-shell's lines.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace winetest {

using namespace std::chrono_literals;

// From the environment: ZQ40_WINE_LOADER (wine64), ZQ40_WINEPREFIX and
// ZQ40_WINDOWS_BIN (the cross build's bin/).
struct WineSetup {
    std::string loader = env("ZQ40_WINE_LOADER");
    std::string prefix = env("ZQ40_WINEPREFIX");
    std::string bin = env("ZQ40_WINDOWS_BIN");

    static std::string env(const char* name);
    // Ends the prefix's Wine processes: the next one starts inside the caller's test bed.
    void killServer() const;
};

// A program run to its end: exit code (-1 when it was killed at the time
// limit), and its output with Windows' line ends made Unix ones.
struct Finished {
    int code = -1;
    std::string out, err;
};
// Runs argv; under Wine when `wine` is given (argv[0] is then the .exe in its bin/).
Finished runToEnd(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                  const WineSetup* wine = nullptr);

// A Unix path as a Windows program names it (Wine maps / to Z:).
std::string windowsPath(std::string unixPath);
std::vector<std::string> words(const std::string& line);

class WineProgram {
public:
    WineProgram(const WineSetup& setup, const std::string& exe, const std::vector<std::string>& args = {});
    ~WineProgram(); // closes its stdin and waits for it, at most 10 s

    void send(const std::string& line);
    // The first line from index `from` on that `match` accepts, with its index.
    std::optional<std::pair<size_t, std::string>> waitFor(const std::function<bool(const std::string&)>& match,
                                                          std::chrono::milliseconds timeout, size_t from = 0);
    std::optional<std::string> waitForPrefix(const std::string& prefix, std::chrono::milliseconds timeout,
                                             size_t from = 0);
    std::vector<std::string> lines() const;

private:
    pid_t pid_ = -1;
    FILE* in_ = nullptr;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::string> lines_;
    bool ended_ = false;
};

// ousb-shell.exe driving orlousb.dll.
class WineShell : public WineProgram {
public:
    explicit WineShell(const WineSetup& setup)
        : WineProgram(setup, "ousb-shell.exe")
    {
    }
    size_t mark() const { return lines().size(); }
    // Sends a command; its result line (it starts with the command's name).
    std::string ask(const std::string& command, std::chrono::milliseconds timeout = 10s);
    // The handle in the next connect line of `serial` from `from` on, and the line's words.
    std::string connected(uint32_t serial, size_t from = 0, std::vector<std::string>* line = nullptr);
    bool saw(const std::string& line, size_t from = 0, std::chrono::milliseconds timeout = 10s);
    size_t count(const std::string& prefix, size_t from = 0) const;
};

} // namespace winetest

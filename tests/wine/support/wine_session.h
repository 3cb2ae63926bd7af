// A Windows program under Wine, started from inside the umockdev test bed of
// this process, with a line channel: commands to its stdin, its stdout
// lines collected for tests to wait on.
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

// Where Wine and the cross-built programs are, from the environment:
// ZQ40_WINE_LOADER (the wine64 loader), ZQ40_WINEPREFIX, ZQ40_WINDOWS_BIN
// (the cross build's bin/ folder).
struct WineSetup {
    std::string loader;
    std::string prefix;
    std::string windowsBin;

    static WineSetup fromEnvironment();
    // Ends every Wine process of the prefix, so that the next one starts
    // inside the caller's test bed.
    void killServer() const;
    std::string program(const std::string& name) const { return windowsBin + "/" + name; }
};

// A Unix path as a Windows program names it (Wine maps / to Z:).
std::string windowsPath(const std::string& unixPath);

class WineProgram {
public:
    WineProgram(const WineSetup& setup, const std::string& program, const std::vector<std::string>& args = {});
    ~WineProgram();
    WineProgram(const WineProgram&) = delete;
    WineProgram& operator=(const WineProgram&) = delete;

    void send(const std::string& line);
    // The first line from `from` on (0 = the first line ever) that `match`
    // accepts, with its index; nothing on timeout.
    std::optional<std::pair<size_t, std::string>> waitFor(const std::function<bool(const std::string&)>& match,
                                                          std::chrono::milliseconds timeout, size_t from = 0);
    // The first line starting with `prefix`, from `from` on.
    std::optional<std::string> waitForPrefix(const std::string& prefix, std::chrono::milliseconds timeout,
                                             size_t from = 0);
    std::vector<std::string> lines() const;
    size_t lineCount() const;
    // Closes its stdin and waits for it to end; its exit status.
    int finish(std::chrono::milliseconds timeout);

private:
    void readLines(int fd);

    pid_t pid_ = -1;
    int toChild_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::string> lines_;
    bool ended_ = false;
};

// Splits a line at spaces.
std::vector<std::string> words(const std::string& line);

} // namespace winetest

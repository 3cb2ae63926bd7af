#include "wine_session.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace winetest {

namespace {

std::string env(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        throw std::runtime_error(std::string(name) + " is not set");
    return value;
}

std::string dirOf(const std::string& path)
{
    return path.substr(0, path.rfind('/'));
}

// Wine's environment for a child: the prefix, quiet, the loader's folder on
// PATH (wineserver lives there).
void wineEnvironment(const WineSetup& setup)
{
    setenv("WINEPREFIX", setup.prefix.c_str(), 1);
    setenv("WINEDEBUG", "-all", 1);
    std::string path = dirOf(setup.loader) + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
    setenv("PATH", path.c_str(), 1);
    // winebus opens the emulated hidraw nodes (ptys) without O_NOCTTY: a
    // Wine process that leads its session would take one as its terminal
    // and die of SIGHUP when the unit is unplugged. Ignored signals stay
    // ignored across exec, into every Wine process.
    std::signal(SIGHUP, SIG_IGN);
}

} // namespace

WineSetup WineSetup::fromEnvironment()
{
    return {env("ZQ40_WINE_LOADER"), env("ZQ40_WINEPREFIX"), env("ZQ40_WINDOWS_BIN")};
}

void WineSetup::killServer() const
{
    pid_t pid = fork();
    if (pid == 0) {
        wineEnvironment(*this);
        std::string server = dirOf(loader) + "/wineserver";
        execl(server.c_str(), server.c_str(), "-k", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (pid > 0)
        waitpid(pid, &status, 0);
}

std::string windowsPath(const std::string& unixPath)
{
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/')
            c = '\\';
    return p;
}

WineProgram::WineProgram(const WineSetup& setup, const std::string& program, const std::vector<std::string>& args)
{
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        wineEnvironment(setup);
        std::vector<const char*> argv{setup.loader.c_str(), program.c_str()};
        for (const auto& a : args)
            argv.push_back(a.c_str());
        argv.push_back(nullptr);
        execv(setup.loader.c_str(), const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toChild_ = in[1];
    reader_ = std::thread([this, fd = out[0]] { readLines(fd); });
}

WineProgram::~WineProgram()
{
    if (pid_ > 0 && finish(std::chrono::seconds(10)) == -1) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (reader_.joinable())
        reader_.join();
}

void WineProgram::readLines(int fd)
{
    std::string pending;
    char buffer[4096];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        pending.append(buffer, size_t(n));
        size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, end);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            pending.erase(0, end + 1);
            std::lock_guard lock(mutex_);
            lines_.push_back(std::move(line));
            cv_.notify_all();
        }
    }
    close(fd);
    std::lock_guard lock(mutex_);
    ended_ = true;
    cv_.notify_all();
}

void WineProgram::send(const std::string& line)
{
    std::string text = line + "\n";
    [[maybe_unused]] ssize_t ignored = write(toChild_, text.data(), text.size());
}

std::optional<std::pair<size_t, std::string>> WineProgram::waitFor(const std::function<bool(const std::string&)>& match,
                                                                   std::chrono::milliseconds timeout, size_t from)
{
    std::unique_lock lock(mutex_);
    std::optional<std::pair<size_t, std::string>> found;
    cv_.wait_for(lock, timeout, [&] {
        for (size_t i = from; i < lines_.size(); ++i)
            if (match(lines_[i])) {
                found.emplace(i, lines_[i]);
                return true;
            }
        return ended_;
    });
    return found;
}

std::optional<std::string> WineProgram::waitForPrefix(const std::string& prefix, std::chrono::milliseconds timeout,
                                                      size_t from)
{
    auto found = waitFor([&](const std::string& l) { return l.rfind(prefix, 0) == 0; }, timeout, from);
    return found ? std::optional<std::string>(found->second) : std::nullopt;
}

std::vector<std::string> WineProgram::lines() const
{
    std::lock_guard lock(mutex_);
    return lines_;
}

size_t WineProgram::lineCount() const
{
    std::lock_guard lock(mutex_);
    return lines_.size();
}

int WineProgram::finish(std::chrono::milliseconds timeout)
{
    if (toChild_ >= 0) {
        send("quit");
        close(toChild_);
        toChild_ = -1;
    }
    auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

} // namespace winetest

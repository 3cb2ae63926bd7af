#include "wine_session.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace winetest {

namespace {

// Wine's environment in a child about to exec: the prefix, quiet, the
// loader's folder (with wineserver) on PATH.
void enterWine(const WineSetup& setup)
{
    setenv("WINEPREFIX", setup.prefix.c_str(), 1);
    setenv("WINEDEBUG", "-all", 1);
    std::string dir = setup.loader.substr(0, setup.loader.rfind('/'));
    setenv("PATH", (dir + ":" + std::getenv("PATH")).c_str(), 1);
    // winebus opens the emulated hidraw nodes (ptys) without O_NOCTTY: a
    // Wine process leading its session would take one as its terminal and
    // die of SIGHUP at an unplug. An ignored signal stays ignored across exec.
    std::signal(SIGHUP, SIG_IGN);
}

} // namespace

std::string WineSetup::env(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        throw std::runtime_error(std::string(name) + " is not set");
    return value;
}

void WineSetup::killServer() const
{
    if (pid_t pid = fork(); pid == 0) {
        enterWine(*this);
        execlp("wineserver", "wineserver", "-k", static_cast<char*>(nullptr));
        _exit(127);
    } else if (pid > 0) {
        waitpid(pid, nullptr, 0);
    }
}

Finished runToEnd(const std::vector<std::string>& argv, std::chrono::milliseconds timeout, const WineSetup* wine)
{
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    std::vector<std::string> command = argv;
    if (wine) {
        command[0] = wine->bin + "/" + command[0];
        command.insert(command.begin(), wine->loader);
    }
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(out[1], 1);
        dup2(err[1], 2);
        if (wine)
            enterWine(*wine);
        std::vector<char*> args;
        for (auto& a : command)
            args.push_back(a.data());
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    // Read while it runs and stop when it has ended, not at the end of the
    // pipes: Wine's own processes, started by the first program, inherit them.
    Finished done;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto drain = [&](int timeoutMs) {
        pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
        if (poll(fds, 2, timeoutMs) <= 0)
            return false;
        bool read = false;
        char buffer[4096];
        for (int i = 0; i < 2; ++i)
            if (fds[i].revents & POLLIN)
                if (ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer); n > 0) {
                    (i == 0 ? done.out : done.err).append(buffer, size_t(n));
                    read = true;
                }
        return read;
    };
    int status = 0;
    for (;;) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            while (drain(0))
                ;
            done.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            break;
        }
        drain(20);
    }
    close(out[0]);
    close(err[0]);
    for (std::string* text : {&done.out, &done.err})
        for (size_t at; (at = text->find("\r\n")) != std::string::npos;)
            text->erase(at, 1);
    return done;
}

std::string windowsPath(std::string p)
{
    for (char& c : p)
        if (c == '/')
            c = '\\';
    return "Z:" + p;
}

std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

WineProgram::WineProgram(const WineSetup& setup, const std::string& exe, const std::vector<std::string>& args)
{
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    const std::string program = setup.bin + "/" + exe;
    pid_ = fork();
    if (pid_ == 0) {
        // A harness that dies must not leave a Windows program behind: it
        // would keep Wine's device host spinning on the test bed's dead nodes.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(in[0], 0);
        dup2(out[1], 1);
        enterWine(setup);
        std::vector<const char*> argv{setup.loader.c_str(), program.c_str()};
        for (const auto& a : args)
            argv.push_back(a.c_str());
        argv.push_back(nullptr);
        execv(setup.loader.c_str(), const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    in_ = fdopen(in[1], "w");
    reader_ = std::thread([this, from = fdopen(out[0], "r")] {
        char* line = nullptr;
        size_t size = 0;
        for (ssize_t n; (n = getline(&line, &size, from)) > 0;) {
            std::string text(line, size_t(n));
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
                text.pop_back();
            std::lock_guard lock(mutex_);
            lines_.push_back(text);
            cv_.notify_all();
        }
        free(line);
        fclose(from);
        std::lock_guard lock(mutex_);
        ended_ = true;
        cv_.notify_all();
    });
}

WineProgram::~WineProgram()
{
    fclose(in_); // ousb-shell ends at the end of its input
    if (!waitFor([](const std::string&) { return false; }, 10s))
        if (std::lock_guard lock(mutex_); !ended_)
            kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    reader_.join();
}

void WineProgram::send(const std::string& line)
{
    std::fprintf(in_, "%s\n", line.c_str());
    std::fflush(in_);
}

std::optional<std::pair<size_t, std::string>> WineProgram::waitFor(const std::function<bool(const std::string&)>& match,
                                                                   std::chrono::milliseconds timeout, size_t from)
{
    std::unique_lock lock(mutex_);
    std::optional<std::pair<size_t, std::string>> found;
    cv_.wait_for(lock, timeout, [&] {
        for (size_t i = from; i < lines_.size() && !found; ++i)
            if (match(lines_[i]))
                found.emplace(i, lines_[i]);
        return found || ended_;
    });
    return found;
}

std::optional<std::string> WineProgram::waitForPrefix(const std::string& prefix, std::chrono::milliseconds timeout,
                                                      size_t from)
{
    auto found = waitFor([&](const std::string& l) { return l.rfind(prefix, 0) == 0; }, timeout, from);
    return found ? std::optional(found->second) : std::nullopt;
}

std::vector<std::string> WineProgram::lines() const
{
    std::lock_guard lock(mutex_);
    return lines_;
}

std::string WineShell::ask(const std::string& command, std::chrono::milliseconds timeout)
{
    size_t from = mark();
    send(command);
    return waitForPrefix(words(command)[0] + " ", timeout, from).value_or("(no answer to " + command + ")");
}

std::string WineShell::connected(uint32_t serial, size_t from, std::vector<std::string>* line)
{
    auto found = waitFor(
        [&](const std::string& l) {
            auto w = words(l);
            return w.size() > 4 && w[0] == "connect" && w[4] == std::to_string(serial);
        },
        20s, from);
    if (!found)
        return "(no connect of " + std::to_string(serial) + ")";
    if (line)
        *line = words(found->second);
    return words(found->second)[1];
}

bool WineShell::saw(const std::string& line, size_t from, std::chrono::milliseconds timeout)
{
    return waitFor([&](const std::string& l) { return l == line; }, timeout, from).has_value();
}

size_t WineShell::count(const std::string& prefix, size_t from) const
{
    auto all = lines();
    size_t n = 0;
    for (size_t i = from; i < all.size(); ++i)
        n += all[i].rfind(prefix, 0) == 0;
    return n;
}

} // namespace winetest

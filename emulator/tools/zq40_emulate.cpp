// zq40-emulate: runs a program with virtual ZQ40 units plugged in, the way
// umockdev-run does. This process holds the testbed and serves the units; the
// program runs under umockdev's preload and sees them as real hidraw devices.
//
//   zq40-emulate [--units N] [--children] [--foreign] [--script FILE] [--console]
//                -- program [args...]
//
// Exits with the program's exit status.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "emulate_console.h"
#include "zq40emu/zq40emu.h"

extern char** environ;

namespace {

struct Options {
    int units = 1;
    bool children = false;
    bool foreign = false;
    std::string script;
    bool console = false;
    std::vector<std::string> program;
};

void usage(FILE* to)
{
    std::fprintf(to,
                 "usage: zq40-emulate [--units N] [--children] [--foreign] [--script FILE] [--console]\n"
                 "                    -- program [args...]\n"
                 "  --units N      plug N main units (default 1)\n"
                 "  --children     give each unit a paging station and two remotes\n"
                 "  --foreign      also plug a HID device of another vendor\n"
                 "  --script FILE  run the commands in FILE before starting the program\n"
                 "  --console      take commands on stdin while the program runs\n"
                 "commands, one a line:\n%s",
                 zq40emu::tools::commandHelp());
}

bool parse(int argc, char** argv, Options& o)
{
    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") {
            ++i;
            break;
        }
        if (a == "--units" && i + 1 < argc) {
            o.units = std::atoi(argv[++i]);
        } else if (a.rfind("--units=", 0) == 0) {
            o.units = std::atoi(a.c_str() + 8);
        } else if (a == "--children") {
            o.children = true;
        } else if (a == "--foreign") {
            o.foreign = true;
        } else if (a == "--script" && i + 1 < argc) {
            o.script = argv[++i];
        } else if (a == "--console") {
            o.console = true;
        } else if (a == "--help" || a == "-h") {
            usage(stdout);
            std::exit(0);
        } else {
            return false;
        }
    }
    for (; i < argc; ++i)
        o.program.push_back(argv[i]);
    return !o.program.empty() && o.units >= 0;
}

zq40emu::UnitConfig unitConfig(int index, bool withChildren)
{
    zq40emu::UnitConfig c;
    c.version.ser = 12345 + static_cast<uint32_t>(index);
    c.blocks = zq40emu::factoryBlocks();
    if (withChildren) {
        c.children = {zq40emu::pagingStation(0x01000005),
                      zq40emu::remote(zq40emu::kFirstRemoteKey, zq40emu::kRemoteModel200, 0x01000002),
                      zq40emu::remote(zq40emu::kFirstRemoteKey + 1, zq40emu::kRemoteModel202, 0x01000002)};
    }
    return c;
}

// The environment of the program: ours (UMOCKDEV_DIR is set by the testbed)
// with umockdev's preload library in front.
std::vector<std::string> childEnvironment()
{
    std::vector<std::string> env;
    std::string preload = "LD_PRELOAD=libumockdev-preload.so.0";
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "LD_PRELOAD=", 11) == 0) {
            if ((*e)[11])
                preload += std::string(":") + (*e + 11);
        } else {
            env.emplace_back(*e);
        }
    }
    env.push_back(preload);
    return env;
}

volatile sig_atomic_t childPid = 0;

void forwardSignal(int sig)
{
    if (childPid > 0)
        ::kill(childPid, sig);
}

void forwardTerminationSignals()
{
    struct sigaction sa { };
    sa.sa_handler = forwardSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        ::sigaction(sig, &sa, nullptr);
}

pid_t spawn(const std::vector<std::string>& program, const std::vector<std::string>& env)
{
    std::vector<char*> argv;
    for (const auto& a : program)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data());
    if (rc != 0) {
        std::fprintf(stderr, "zq40-emulate: cannot run %s: %s\n", argv[0], std::strerror(rc));
        return -1;
    }
    return pid;
}

int waitFor(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        usage(stderr);
        return 2;
    }

    int status = 0;
    {
        zq40emu::Testbed testbed;
        for (int i = 0; i < options.units; ++i)
            testbed.plug(unitConfig(i, options.children));
        if (options.foreign)
            testbed.plugForeign(0x046D, 0xC52B, "USB Receiver");
        if (!options.script.empty() && !zq40emu::tools::runScript(testbed, options.script, stderr))
            return 2;

        forwardTerminationSignals();
        const pid_t pid = spawn(options.program, childEnvironment());
        if (pid < 0)
            return 127;
        childPid = pid;
        {
            std::unique_ptr<zq40emu::tools::Console> console;
            if (options.console)
                console = std::make_unique<zq40emu::tools::Console>(testbed, STDIN_FILENO);
            status = waitFor(pid);
        } // the console stops before the units go
        childPid = 0;
    } // unplugs the units, removes the testbed

    if (status < 0)
        return 1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        ::signal(sig, SIG_DFL);
        ::raise(sig);
        return 128 + sig;
    }
    return 1;
}

// zq40ctl: Orlo ZQ40 units from a terminal and from scripts, on the same
// core as the zq40panel window.
#include "ctl_arguments.h"
#include "orlousb.h"
#include "scene_client.h"
#include "settings.h"
#include "tool.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    using namespace zq40::ctl;
    std::vector<std::string> words(argv + 1, argv + argc);
    const Arguments arguments = parseArguments(words);
    if (arguments.version) {
        std::fputs(versionText().c_str(), stdout);
        return kOk;
    }
    // The setting names, a line each, for the shell's completion.
    if (arguments.help && arguments.command == "names") {
        for (const zq40::Setting& s : zq40::allSettings())
            std::printf("%s\n", s.name().c_str());
        return kOk;
    }
    if (arguments.help) {
        std::fputs(helpText(arguments.command).c_str(), stdout);
        return kOk;
    }
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "zq40ctl: %s\n\n%s", arguments.error.c_str(), helpText(arguments.command).c_str());
        return kBadUsage;
    }
    // The USB library's log, for a bug report: ZQ40_LOG=FILE.
    if (const char* log = std::getenv("ZQ40_LOG"); log && *log && !ousb_EnableLogging(log))
        std::fprintf(stderr, "zq40ctl: cannot write the log to %s\n", log);

    QCoreApplication app(argc, argv);
    // The service's, over HTTP: this process opens no unit.
    if (arguments.command == "scene")
        return runScene(arguments);
    Tool tool;
    return tool.run(arguments);
}

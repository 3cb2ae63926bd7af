#include "command_line.h"

#include "firmware_catalogue.h"
#include "version.h"

#include <cstring>

namespace zq40 {

CommandLineAction commandLineAction(int argc, const char* const argv[])
{
    // Only the first argument counts, as for the file: "zq40panel x.zq40
    // --help" opens x.zq40.
    if (argc < 2 || !argv[1])
        return CommandLineAction::Run;
    const char* first = argv[1];
    if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0)
        return CommandLineAction::ShowHelp;
    if (std::strcmp(first, "--version") == 0)
        return CommandLineAction::ShowVersion;
    return CommandLineAction::Run;
}

std::string usageText()
{
    return "Usage: zq40panel [FILE.zq40]\n"
           "       zq40panel --help | --version\n"
           "\n"
           "Control panel for Orlo ZQ40 six-zone audio mixers on USB.\n"
           "Units are listed as they are plugged in; without one the panel works\n"
           "offline on a configuration in memory. FILE is a configuration to open.\n"
           "\n"
           "  -h, --help     show this help and exit\n"
           "      --version  show the version and exit\n"
           "\n"
           "Qt's own options (-platform, -style, ...) are accepted too.\n"
           "With ZQ40_LOG=FILE in the environment, the USB library writes its log\n"
           "to FILE: attach it to a bug report.\n"
           "One copy runs per user: a second start leaves at once.\n"
           "A unit that is plugged in but not listed usually needs the udev rule\n"
           "70-orlo-zq40.rules installed; unplug and replug it afterwards.\n";
}

std::string versionText()
{
    return std::string("zq40panel ") + kVersion + "\nfirmware catalogue: " + firmware::catalogueOrigin() + "\n";
}

} // namespace zq40

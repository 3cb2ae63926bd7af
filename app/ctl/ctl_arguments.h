// zq40ctl's command line: the command, the units it names, its options, and
// the help of the tool and of each command.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zq40::ctl {

// Exit codes, as scripts read them.
enum Exit : int {
    kOk = 0,
    kBadUsage = 1,     // unknown command or setting, malformed or refused value, unusable file
    kNoSuchUnit = 2,   // none connected, none with that serial, or several and none named
    kUnitHeld = 3,     // another program has the unit open
    kAccessDenied = 4, // this user may not open the unit
    kUnitFailed = 5,   // the unit did not answer, or an update failed or was refused
};

struct Arguments {
    std::string command;            // empty: only --help or --version
    std::vector<uint32_t> serials;  // units named by serial number
    std::vector<std::string> words; // the rest: names, NAME=VALUE, a file
    bool json = false;
    bool all = false;
    bool keepName = false;
    bool help = false;
    bool version = false;
    std::string url;   // scene: the service's, when given
    std::string scope; // scene save and upload: levels or all
    std::string error; // why the command line is not usable
};

Arguments parseArguments(const std::vector<std::string>& args);

// The tool's help, or a command's.
std::string helpText(const std::string& command = {});
std::string versionText();
bool isCommand(const std::string& word);

} // namespace zq40::ctl

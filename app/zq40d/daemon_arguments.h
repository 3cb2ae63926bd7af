// zq40d's command line: run the service, or manage its secrets.
#pragma once

#include <string>
#include <vector>

namespace zq40::daemon {

struct DaemonArguments {
    std::string command; // empty: run the service; set-pin, add-token, remove-token
    std::string config;  // the configuration file
    std::string name;    // of a token
    std::string role;    // of a new token
    bool help = false;
    bool version = false;
    std::string error; // why the command line is not usable
};

DaemonArguments parseDaemonArguments(const std::vector<std::string>& args);
std::string daemonHelpText();
std::string daemonVersionText();

} // namespace zq40::daemon

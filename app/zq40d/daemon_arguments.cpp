#include "daemon_arguments.h"

#include "daemon_config.h"
#include "firmware_catalogue.h"
#include "version.h"

namespace zq40::daemon {

DaemonArguments parseDaemonArguments(const std::vector<std::string>& args)
{
    DaemonArguments a;
    a.config = kDefaultConfigFile;
    std::vector<std::string> words;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (w == "--help" || w == "-h") {
            a.help = true;
        } else if (w == "--version") {
            a.version = true;
        } else if (w == "--config" || w == "--role") {
            if (i + 1 == args.size()) {
                a.error = w + " needs a value";
                return a;
            }
            (w == "--config" ? a.config : a.role) = args[++i];
        } else if (w.size() > 1 && w[0] == '-') {
            a.error = "unknown option " + w;
            return a;
        } else {
            words.push_back(w);
        }
    }
    if (a.help || a.version)
        return a;
    if (!words.empty()) {
        a.command = words.front();
        words.erase(words.begin());
    }
    const std::string& c = a.command;
    const bool named = c == "add-token" || c == "remove-token";
    if (!c.empty() && c != "set-pin" && !named)
        a.error = "unknown command " + c;
    else if (named && words.size() != 1)
        a.error = c + " needs one token name";
    else if (!named && !words.empty())
        a.error = (c.empty() ? std::string("the service") : c) + " takes no names";
    else if (c == "add-token" && a.role != "staff" && a.role != "installer")
        a.error = "add-token needs --role staff or --role installer";
    else if (c != "add-token" && !a.role.empty())
        a.error = "--role is for add-token";
    if (named && words.size() == 1)
        a.name = words.front();
    return a;
}

std::string daemonHelpText()
{
    return std::string("Usage: zq40d [--config FILE]\n"
                       "       zq40d [--config FILE] set-pin\n"
                       "       zq40d [--config FILE] add-token NAME --role staff|installer\n"
                       "       zq40d [--config FILE] remove-token NAME\n"
                       "       zq40d --help | --version\n"
                       "\n"
                       "The Orlo ZQ40 units of this computer as a service of the venue: a JSON API\n"
                       "under /api/v1/ for staff (their zones' levels and sources, as the installer\n"
                       "allows) and for installers (every setting, and whole .zq40 configurations),\n"
                       "with the rules of zq40panel.\n"
                       "\n"
                       "  --config FILE  the configuration (default ") +
        kDefaultConfigFile +
        ")\n"
        "  set-pin        sets the staff PIN, read from the terminal without echo or\n"
        "                 from standard input; until one is set the service listens\n"
        "                 on loopback only\n"
        "  add-token      makes an API token for NAME and prints it once\n"
        "  remove-token   withdraws NAME's token\n"
        "\n"
        "The state folder the configuration names keeps the PIN and the tokens, as\n"
        "Argon2id hashes only, readable by the service's user alone: run the commands\n"
        "as that user (runuser -u zq40d -- zq40d ...). The configuration keys, the API\n"
        "and the systemd unit: man 8 zq40d.\n";
}

std::string daemonVersionText()
{
    return std::string("zq40d ") + kVersion + "\nfirmware catalogue: " + firmware::catalogueOrigin() + "\n";
}

} // namespace zq40::daemon

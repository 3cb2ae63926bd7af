#include "ctl_arguments.h"

#include "firmware_catalogue.h"
#include "version.h"

#include <algorithm>
#include <charconv>

namespace zq40::ctl {

namespace {

struct Command {
    const char* name;
    const char* usage;
    const char* help;
};

const Command kCommands[] = {
    {"list", "list [--json]",
     "Every connected unit and its children: serial number, name, firmware\n"
     "and state. A unit's state is current, outdated, newer-software-needed\n"
     "(firmware newer than this program can update) or bootloader; a child's is\n"
     "current, outdated or unsupported (a model its place does not take).\n"
     "Firmware is the unit's application firmware, the version an update brings\n"
     "to the one this program carries.\n"
     "With --json: one array of objects with the keys serial, name, firmware,\n"
     "state and children (objects with key, model, name, firmware, state).\n"},
    {"show", "show [SERIAL] [--json]",
     "The unit's whole setup, named as in a .zq40 file (Element.Attribute):\n"
     "one NAME=value a line, or with --json one object of elements holding\n"
     "their attributes, numbers as numbers and names as text.\n"},
    {"get", "get [SERIAL] NAME...", "Prints NAME=value for each setting named, e.g. Zone3.Level.\n"},
    {"set", "set [SERIAL] NAME=VALUE...",
     "Changes settings as the window's controls would: linked zones follow a\n"
     "zone's Level and Source, a value the controls cannot set is refused with\n"
     "the values allowed, and then nothing at all is sent. Each changed block\n"
     "is sent once, after all the changes are applied. A unit that needs a\n"
     "firmware update cannot be edited, as in the window.\n"},
    {"save", "save [SERIAL] FILE", "Saves the unit's setup to FILE, a .zq40 configuration as the window saves it.\n"},
    {"load", "load [SERIAL] FILE [--keep-name]",
     "Sends the configuration in FILE to the unit, as the window's Load Config:\n"
     "settings the file lacks take their factory defaults, linked zones are\n"
     "brought into line with the unit's links (a note says so), every block is\n"
     "sent, the links last. The unit takes the file's name unless --keep-name.\n"},
    {"update", "update [SERIAL...|--all]",
     "Brings each named unit, or every connected unit, and its children to the\n"
     "firmware this program carries, one unit after another: the unit first\n"
     "(its settings are saved before and sent back when it returns), then its\n"
     "outdated children. A unit newer than this program is refused. A failed\n"
     "update keeps the saved settings for the next attempt.\n"},
    {"monitor", "monitor [--json]",
     "A line for each unit or child arriving or leaving and for each block a\n"
     "unit reports on its own, until interrupted. With --json one object a\n"
     "line, with an \"event\" key:\n"
     "  unit-arrived   serial, name, firmware, state\n"
     "  unit-left      serial\n"
     "  child-arrived  serial (of the unit), key, model, name, firmware, state\n"
     "  child-left     serial, key\n"
     "  block          serial, code, settings (the settings it changed: name and value)\n"},
    {"scene", "scene list|save|upload|apply|delete ...",
     "The scenes of the zq40d service, named configurations it keeps:\n"
     "  scene list [--json]                     NAME<tab>SCOPE a line\n"
     "  scene save SERIAL NAME [--scope=SCOPE]  keeps the unit's setup as NAME\n"
     "  scene upload NAME FILE [--scope=SCOPE]  keeps the .zq40 FILE as NAME\n"
     "  scene apply SERIAL NAME                 sends the scene to the unit\n"
     "  scene delete NAME\n"
     "SCOPE all (the default) applies the whole file as load does; levels only\n"
     "the zones' levels and sources. Saving, uploading and deleting need an\n"
     "installer token. The service is asked over HTTP, at --url=URL, else\n"
     "$ZQ40D_URL, else http://127.0.0.1:8040, with the token in $ZQ40D_TOKEN.\n"
     "Exit status: 0 done, 1 bad usage or a name or file refused, 2 no such unit\n"
     "or scene, 3 an installer is working on the units, 4 the token may not do\n"
     "this, 5 the service did not answer.\n"},
};

// A scene's words: the action and how many words follow it.
bool sceneWordsFit(const std::vector<std::string>& words)
{
    static const std::pair<const char*, size_t> kActions[] = {
        {"list", 1}, {"save", 3}, {"upload", 3}, {"apply", 3}, {"delete", 2}};
    for (const auto& [action, count] : kActions)
        if (!words.empty() && words[0] == action)
            return words.size() == count;
    return false;
}

const Command* findCommand(const std::string& name)
{
    for (const Command& c : kCommands)
        if (name == c.name)
            return &c;
    return nullptr;
}

bool parseSerial(const std::string& word, uint32_t& serial)
{
    const char* end = word.data() + word.size();
    const auto [at, ec] = std::from_chars(word.data(), end, serial);
    return ec == std::errc() && at == end && !word.empty();
}

} // namespace

bool isCommand(const std::string& word)
{
    return findCommand(word) != nullptr;
}

Arguments parseArguments(const std::vector<std::string>& args)
{
    Arguments a;
    bool optionsEnded = false;
    std::string* value = nullptr; // the option waiting for its value
    for (const std::string& word : args) {
        if (value) {
            *value = word;
            value = nullptr;
        } else if (!optionsEnded && (word == "--url" || word == "--scope")) {
            value = word == "--url" ? &a.url : &a.scope;
        } else if (!optionsEnded && (word.rfind("--url=", 0) == 0 || word.rfind("--scope=", 0) == 0)) {
            (word[2] == 'u' ? a.url : a.scope) = word.substr(word.find('=') + 1);
        } else if (!optionsEnded && word == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (word == "--help" || word == "-h")) {
            a.help = true;
        } else if (!optionsEnded && word == "--version") {
            a.version = true;
        } else if (!optionsEnded && word == "--json") {
            a.json = true;
        } else if (!optionsEnded && word == "--all") {
            a.all = true;
        } else if (!optionsEnded && word == "--keep-name") {
            a.keepName = true;
        } else if (!optionsEnded && word.size() > 1 && word[0] == '-') {
            a.error = "unknown option " + word;
            return a;
        } else if (a.command.empty()) {
            a.command = word;
        } else if (uint32_t serial = 0; a.words.empty() && parseSerial(word, serial)) {
            // Serials come first; a later number is a value or a file.
            a.serials.push_back(serial);
        } else {
            a.words.push_back(word);
        }
    }
    if (value) {
        a.error = "an option needs a value";
        return a;
    }
    if (a.command == "help") {
        a.help = true;
        a.command = a.words.empty() ? std::string() : a.words.front();
        a.words.clear();
    }
    if (a.help || a.version)
        return a;
    const Command* command = findCommand(a.command);
    if (a.command.empty()) {
        a.error = "no command given";
        return a;
    }
    if (!command) {
        a.error = "unknown command " + a.command;
        return a;
    }
    const std::string c = a.command;
    const bool takesOneSerial = c != "list" && c != "monitor" && c != "update";
    uint32_t sceneSerial = 0;
    if (c == "scene" && (!a.serials.empty() || !sceneWordsFit(a.words)))
        a.error = "scene takes list, save SERIAL NAME, upload NAME FILE, apply SERIAL NAME or delete NAME";
    else if (c == "scene" && (a.words[0] == "save" || a.words[0] == "apply") && !parseSerial(a.words[1], sceneSerial))
        a.error = "scene " + a.words[0] + " needs a unit's serial number first";
    else if (!a.scope.empty() && (a.scope != "levels" && a.scope != "all"))
        a.error = "--scope is levels or all";
    else if (!a.scope.empty() && (c != "scene" || (a.words[0] != "save" && a.words[0] != "upload")))
        a.error = "--scope is for scene save and scene upload";
    else if (!a.url.empty() && c != "scene")
        a.error = "--url is for scene";
    else if ((c == "list" || c == "monitor") && (!a.serials.empty() || !a.words.empty()))
        a.error = c + " takes no units or names";
    else if (takesOneSerial && a.serials.size() > 1)
        a.error = c + " works on one unit";
    else if ((c == "get" || c == "set") && a.words.empty())
        a.error = c + " needs at least one setting";
    else if ((c == "save" || c == "load") && a.words.size() != 1)
        a.error = c + " needs one file";
    else if ((c == "show" || c == "update") && !a.words.empty())
        a.error = c + " takes no names";
    else if (c == "update" && a.all && !a.serials.empty())
        a.error = "update takes serial numbers or --all, not both";
    else if (a.json && c != "list" && c != "show" && c != "monitor" && !(c == "scene" && a.words[0] == "list"))
        a.error = "--json is for list, show, monitor and scene list";
    else if (a.keepName && c != "load")
        a.error = "--keep-name is for load";
    else if (a.all && c != "update")
        a.error = "--all is for update";
    return a;
}

std::string helpText(const std::string& command)
{
    if (const Command* c = findCommand(command))
        return std::string("Usage: zq40ctl ") + c->usage + "\n\n" + c->help;
    std::string text = "Usage: zq40ctl COMMAND [ARGUMENTS]\n"
                       "       zq40ctl --help | --version | help COMMAND\n"
                       "\n"
                       "Orlo ZQ40 units from a terminal and from scripts, as the zq40panel window\n"
                       "works them. Units are named by serial number; with one unit connected it\n"
                       "may be left out.\n"
                       "\n"
                       "Commands:\n";
    for (const Command& c : kCommands)
        text += std::string("  ") + c.usage + "\n";
    text += "\n"
            "Exit status: 0 success; 1 bad usage (unknown command or setting, malformed\n"
            "or refused value, a file that cannot be read or written); 2 no such unit,\n"
            "or several connected and none named; 3 a unit is held by another program\n"
            "(zq40panel holds the units it shows); 4 this user may not open a unit;\n"
            "5 a unit did not answer, or an update failed or was refused.\n"
            "With ZQ40_LOG=FILE in the environment, the USB library writes its log to FILE.\n";
    return text;
}

std::string versionText()
{
    return std::string("zq40ctl ") + kVersion + "\nfirmware catalogue: " + firmware::catalogueOrigin() + "\n";
}

} // namespace zq40::ctl

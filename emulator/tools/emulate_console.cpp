#include "emulate_console.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace zq40emu::tools {

namespace {

const char* const kHelp =
    "  plug SERIAL [FIRMWARE [HW]]          plug a unit (firmware a.b.c.d, hardware revision)\n"
    "  unplug SERIAL | replug SERIAL        pull its cable, or plug it back\n"
    "  paging SERIAL [VERSION]              connect its paging station\n"
    "  remote SERIAL KEY [MODEL [VERSION]]  connect a remote (keys 258-264, model 200/202)\n"
    "  remove SERIAL KEY                    disconnect a child (257 is the paging station)\n"
    "  block SERIAL CODE OFFSET HEX         change bytes of a block and report it, as a knob would\n"
    "  written SERIAL                       the blocks the program wrote to it, oldest first\n"
    "  list | help\n";

bool parseNumber(const std::string& text, unsigned long& value)
{
    char* end = nullptr;
    value = std::strtoul(text.c_str(), &end, 0);
    return !text.empty() && *end == '\0';
}

// a.b.c.d, most significant first, as the panel shows versions.
bool parseVersion(const std::string& text, uint32_t& version)
{
    std::istringstream in(text);
    std::string part;
    uint32_t v = 0;
    int parts = 0;
    while (std::getline(in, part, '.')) {
        unsigned long n = 0;
        if (!parseNumber(part, n) || n > 255)
            return false;
        v = v << 8 | uint32_t(n);
        ++parts;
    }
    version = v;
    return parts == 4;
}

std::string versionText(uint32_t v)
{
    return std::to_string(v >> 24) + "." + std::to_string(v >> 16 & 0xFF) + "." + std::to_string(v >> 8 & 0xFF) + "." +
        std::to_string(v & 0xFF);
}

// The unit last plugged with this serial.
Unit* find(Testbed& bed, const std::string& serial)
{
    unsigned long ser = 0;
    if (!parseNumber(serial, ser))
        return nullptr;
    Unit* found = nullptr;
    for (Unit* u : bed.units())
        if (!u->config().foreign && u->config().version.ser == ser)
            found = u;
    return found;
}

bool refuse(std::FILE* out, const std::string& why)
{
    std::fprintf(out, "zq40-emulate: %s\n", why.c_str());
    std::fflush(out);
    return false;
}

bool plug(Testbed& bed, const std::vector<std::string>& w, std::FILE* out)
{
    unsigned long ser = 0, hw = 1;
    UnitConfig config;
    if (w.size() < 2 || w.size() > 4 || !parseNumber(w[1], ser))
        return refuse(out, "usage: plug SERIAL [FIRMWARE [HW]]");
    if (Unit* u = find(bed, w[1]); u && u->plugged())
        return refuse(out, "unit " + w[1] + " is plugged already");
    config.version.ser = uint32_t(ser);
    if (w.size() > 2) {
        if (!parseVersion(w[2], config.version.word5))
            return refuse(out, "firmware is a.b.c.d");
        config.version.ver = config.version.word5;
    }
    if (w.size() > 3 && !parseNumber(w[3], hw))
        return refuse(out, "hardware revision is a number");
    config.version.word1 = uint32_t(hw);
    config.blocks = factoryBlocks();
    bed.plug(config);
    return true;
}

bool child(Unit& unit, const std::vector<std::string>& w, std::FILE* out)
{
    if (w[0] == "paging") {
        uint32_t version = 0x01020006;
        if (w.size() > 3 || (w.size() == 3 && !parseVersion(w[2], version)))
            return refuse(out, "usage: paging SERIAL [VERSION]");
        unit.connectChild(pagingStation(version));
        return true;
    }
    unsigned long key = 0, model = kRemoteModel202;
    uint32_t version = 0x01040023;
    if (w.size() < 3 || w.size() > 5 || !parseNumber(w[2], key) || key < kFirstRemoteKey || key > kLastRemoteKey ||
        (w.size() > 3 && !parseNumber(w[3], model)) || (w.size() > 4 && !parseVersion(w[4], version)))
        return refuse(out, "usage: remote SERIAL KEY(258-264) [MODEL [VERSION]]");
    unit.connectChild(remote(uint16_t(key), uint32_t(model), version));
    return true;
}

std::string hex(const uint8_t* bytes, std::size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < n; ++i)
        text += {digits[bytes[i] >> 4], digits[bytes[i] & 0xF]};
    return text;
}

bool parseHex(const std::string& text, std::vector<uint8_t>& bytes)
{
    if (text.size() % 2 != 0)
        return false;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned long byte = 0;
        if (!std::isxdigit(uint8_t(text[i])) || !std::isxdigit(uint8_t(text[i + 1])) ||
            !parseNumber("0x" + text.substr(i, 2), byte))
            return false;
        bytes.push_back(uint8_t(byte));
    }
    return true;
}

// Bytes of a block changed on the unit, then the whole block reported to
// the host as the unit reports a change made at its front or a remote.
bool block(Unit& unit, const std::vector<std::string>& w, std::FILE* out)
{
    unsigned long code = 0, offset = 0;
    std::vector<uint8_t> bytes;
    if (w.size() != 5 || !parseNumber(w[2], code) || code > 255 || !parseNumber(w[3], offset) ||
        !parseHex(w[4], bytes) || bytes.empty())
        return refuse(out, "usage: block SERIAL CODE OFFSET HEX");
    std::vector<uint8_t> contents = unit.block(uint8_t(code));
    if (contents.empty() || offset + bytes.size() > contents.size())
        return refuse(out,
                      "block " + w[2] + " has no bytes " + w[3] + " to " + std::to_string(offset + bytes.size() - 1));
    std::copy(bytes.begin(), bytes.end(), contents.begin() + long(offset));
    unit.setBlock(uint8_t(code), contents);
    unit.pushBlock(uint8_t(code));
    return true;
}

// Every parameter write (msgID 48) the host made: its block code and bytes.
void written(const Unit& unit, const std::string& serial, std::FILE* out)
{
    for (const Report& r : unit.received()) {
        const std::size_t size = r.msgId() == msg::kParamWrite ? blockSize(r.payload()[0]) : 0;
        if (size)
            std::fprintf(out, "written %s %u %s\n", serial.c_str(), r.payload()[0], hex(r.payload() + 1, size).c_str());
    }
    std::fprintf(out, "written %s end\n", serial.c_str());
    std::fflush(out);
}

void list(Testbed& bed, std::FILE* out)
{
    for (Unit* u : bed.units()) {
        if (u->config().foreign)
            continue;
        const VersionWords v = u->versionWords();
        std::fprintf(out, "unit %u  firmware %s  %s", v.ser, versionText(v.word5).c_str(),
                     u->plugged() ? u->devnode().c_str() : "unplugged");
        for (const ChildConfig& c : u->children())
            std::fprintf(out, "  [%u: model %u %s]", c.childID, c.model, versionText(c.version()).c_str());
        std::fprintf(out, "\n");
    }
    std::fflush(out);
}

} // namespace

const char* commandHelp()
{
    return kHelp;
}

bool runCommand(Testbed& bed, const std::string& line, std::FILE* out)
{
    std::istringstream in(line.substr(0, line.find('#')));
    std::vector<std::string> w;
    for (std::string word; in >> word;)
        w.push_back(word);
    if (w.empty())
        return true;
    const std::string& cmd = w[0];
    if (cmd == "help")
        return std::fputs(kHelp, out), std::fflush(out), true;
    if (cmd == "list")
        return list(bed, out), true;
    if (cmd == "plug")
        return plug(bed, w, out);
    if (cmd != "unplug" && cmd != "replug" && cmd != "paging" && cmd != "remote" && cmd != "remove" && cmd != "block" &&
        cmd != "written")
        return refuse(out, "unknown command '" + cmd + "' (try help)");
    Unit* unit = w.size() > 1 ? find(bed, w[1]) : nullptr;
    if (!unit)
        return refuse(out, "no unit " + (w.size() > 1 ? w[1] : std::string("given")));
    if (cmd == "unplug")
        return bed.unplug(*unit), true;
    if (cmd == "block")
        return block(*unit, w, out);
    if (cmd == "written")
        return written(*unit, w[1], out), true;
    if (cmd == "replug") {
        if (unit->plugged())
            return refuse(out, "unit " + w[1] + " is plugged");
        return bed.replug(*unit), true;
    }
    if (cmd == "remove") {
        unsigned long key = 0;
        if (w.size() != 3 || !parseNumber(w[2], key))
            return refuse(out, "usage: remove SERIAL KEY");
        unit->disconnectChild(uint16_t(key));
        return true;
    }
    return child(*unit, w, out);
}

bool runScript(Testbed& bed, const std::string& path, std::FILE* out)
{
    std::ifstream in(path);
    if (!in)
        return refuse(out, "cannot read " + path);
    for (std::string line; std::getline(in, line);)
        if (!runCommand(bed, line, out))
            return false;
    return true;
}

Console::Console(Testbed& bed, int fd)
    : bed_(bed)
    , fd_(fd)
{
    if (::pipe2(stopPipe_, O_CLOEXEC) != 0)
        return;
    thread_ = std::thread([this] { run(); });
}

Console::~Console()
{
    if (thread_.joinable()) {
        const char stop = 1;
        (void)!::write(stopPipe_[1], &stop, 1);
        thread_.join();
    }
    for (int fd : stopPipe_)
        if (fd >= 0)
            ::close(fd);
}

void Console::run()
{
    std::string pending;
    char buffer[512];
    while (true) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue; // a signal for the program
        if (fds[1].revents)
            return;
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // end of input: the units stay as they are
        pending.append(buffer, std::size_t(n));
        for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
            runCommand(bed_, pending.substr(0, nl), stdout);
            pending.erase(0, nl + 1);
        }
    }
}

} // namespace zq40emu::tools

// ousb-shell: the library's calls from the command line, for scripts and
// for a person at a terminal. One command a line on stdin; every callback
// and every result comes back as one line on stdout, handles as the library
// prints them. The Wine tests drive orlousb.dll through it.
//
//   enumerate | log PATH | status H | version H | flash-get H | flash-set H A B
//   read H | transactions H N | update H FILE | child-update H CHILD FILE | quit
#include "orlousb.h"

#include <chrono>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::mutex outMutex;

void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void say(const char* format, ...)
{
    std::lock_guard lock(outMutex);
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void onReport(ousb_handle_t h, hid_report_t* r)
{
    say("report %p %u %u %u", h, r->msgID, r->cnt & OUSB_CNT_MASK, r->payload[0]);
}

void onConnect(ousb_handle_t h, ousb_device_info_t* i)
{
    ousb_RegisterReadReportCallback(h, onReport);
    say("connect %p %" PRIu32 " %" PRIu32 " %" PRIu32 " %08" PRIx32 " %08" PRIx32 " %s", h, i->PID, i->perID, i->ser,
        i->ver, i->word5, i->name);
}

void onDisconnect(ousb_handle_t h, ousb_device_info_t* i)
{
    say("disconnect %p %" PRIu32, h, i->ser);
}

unsigned childKey(const ousb_child_device_info_t* c)
{
    return unsigned(c->childID[0] << 8 | c->childID[1]);
}

void onChildConnect(ousb_handle_t h, ousb_child_device_info_t* c)
{
    say("child+ %p %u %" PRIu32 " %s", h, childKey(c), c->model, c->name);
}

void onChildDisconnect(ousb_handle_t h, ousb_child_device_info_t* c)
{
    say("child- %p %u", h, childKey(c));
}

void onProgress(uint8_t percent, obin_updater_error_t code)
{
    // Every step would flood the channel: the end, and every tenth step.
    if (percent == 100 || code != 0 || percent % 10 == 0)
        say("progress %u %d", percent, code);
}

long long millisSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

ousb_handle_t handleArg(std::istringstream& in)
{
    std::string text;
    in >> text;
    return reinterpret_cast<ousb_handle_t>(uintptr_t(std::strtoull(text.c_str(), nullptr, 16)));
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void run(const std::string& line)
{
    std::istringstream in(line);
    std::string command;
    in >> command;
    const char* c = command.c_str();
    if (command == "enumerate") {
        say("enumerate %d", ousb_EnumerateDevices());
    } else if (command == "log") {
        std::string path;
        in >> path;
        say("log %d", ousb_EnableLogging(path.c_str()));
    } else if (command == "status") {
        uint8_t s[2] = {};
        ousb_handle_t h = handleArg(in);
        int ok = ousb_GetStatusInfo(h, s);
        say("status %d %u %u", ok, s[0], s[1]);
    } else if (command == "version") {
        uint32_t block[6] = {};
        int ok = ousb_GetVersionInfo(handleArg(in), reinterpret_cast<uint8_t*>(block));
        say("version %d %" PRIu32 " %" PRIu32 " %08" PRIx32, ok, block[0], block[4], block[3]);
    } else if (command == "flash-get") {
        uint32_t p[2] = {};
        int ok = ousb_GetFlashParams(handleArg(in), p);
        say("flash-get %d %" PRIu32 " %" PRIu32, ok, p[0], p[1]);
    } else if (command == "flash-set") {
        ousb_handle_t h = handleArg(in);
        uint32_t p[2] = {};
        in >> p[0] >> p[1];
        say("flash-set %d", ousb_SetFlashParams(h, p));
    } else if (command == "read") {
        hid_report_t r{};
        auto start = Clock::now();
        int ok = ousb_ReadReport(handleArg(in), &r);
        say("read %d %lld %u", ok, millisSince(start), r.msgID);
    } else if (command == "transactions") {
        // Status exchanges back to back, for the figures.
        ousb_handle_t h = handleArg(in);
        int count = 0;
        in >> count;
        hid_report_t request{}, reply{};
        request.msgID = OUSB_MSG_STATUS;
        request.tag = OUSB_TAG;
        request.cnt = OUSB_REPLY_FLAG;
        auto start = Clock::now();
        int done = 0;
        while (done < count && ousb_Transaction(h, &request, &reply) && reply.msgID == OUSB_MSG_STATUS)
            ++done;
        say("transactions %d %.6f", done, std::chrono::duration<double>(Clock::now() - start).count());
    } else if (command == "update" || command == "child-update") {
        ousb_handle_t h = handleArg(in);
        unsigned child = 0;
        if (command == "child-update")
            in >> child;
        std::string path;
        in >> path;
        auto image = readFile(path);
        auto start = Clock::now();
        int ok = command == "update"
            ? ousb_UpdateDeviceFirmware(h, image.data(), uint32_t(image.size()), 0, onProgress)
            : ousb_UpdateChildDeviceFirmware(h, uint16_t(child), image.data(), uint32_t(image.size()), 0, onProgress);
        say("%s %d %lld", c, ok, millisSince(start));
    } else {
        say("unknown %s", c);
    }
}

} // namespace

int main()
{
    ousb_RegisterDeviceConnect(onConnect);
    ousb_RegisterDeviceDisconnect(onDisconnect);
    ousb_RegisterChildDeviceConnect(onChildConnect);
    ousb_RegisterChildDeviceDisconnect(onChildDisconnect);
    say("ready");
    char buffer[1024];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (line == "quit")
            break;
        if (!line.empty())
            run(line);
    }
    return 0;
}

// Lists the present HID interfaces through SetupDi, with the vendor and
// product ids from the interface path ("vid_" and "pid_", four hex digits
// each), and counts each path's appearances.
#include "../platform.h"
#include "windows_system.h"

#include <setupapi.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <mutex>

namespace ousb::platform {

namespace windows {

namespace {

struct Appearances {
    std::mutex mutex;
    std::map<std::string, uint32_t> counts; // by folded path
};

Appearances& appearances()
{
    static Appearances* a = new Appearances; // the window thread may still run at exit
    return *a;
}

} // namespace

std::string foldCase(std::string path)
{
    std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return path;
}

uint32_t appearanceOf(const std::string& path)
{
    auto& a = appearances();
    std::lock_guard lock(a.mutex);
    auto it = a.counts.find(foldCase(path));
    return it == a.counts.end() ? 0 : it->second;
}

void noteDeparture(const std::string& path)
{
    auto& a = appearances();
    std::lock_guard lock(a.mutex);
    ++a.counts[foldCase(path)];
}

void noteDeparture(const std::string& path, uint32_t appearance)
{
    auto& a = appearances();
    std::lock_guard lock(a.mutex);
    uint32_t& count = a.counts[foldCase(path)];
    if (count == appearance)
        ++count;
}

} // namespace windows

namespace {

// Four hex digits after `key` ("vid_" or "pid_"), case as written.
std::optional<uint16_t> idAfter(const std::string& path, const char* key)
{
    size_t at = path.find(key);
    if (at == std::string::npos || path.size() < at + 8)
        return std::nullopt;
    const char* digits = path.data() + at + 4;
    uint16_t value = 0;
    auto [end, ec] = std::from_chars(digits, digits + 4, value, 16);
    if (ec != std::errc() || end != digits + 4)
        return std::nullopt;
    return value;
}

} // namespace

ListResult listHidInterfaces(std::vector<HidInterface>& out, int& failedDetails)
{
    out.clear();
    failedDetails = 0;
    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    HDEVINFO set = SetupDiGetClassDevsA(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return ListResult::queryFailed;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &data); ++index) {
        // The path is the text of a 2056-byte detail record.
        union {
            SP_DEVICE_INTERFACE_DETAIL_DATA_A detail;
            char bytes[2056];
        } buffer{};
        buffer.detail.cbSize = sizeof buffer.detail;
        if (!SetupDiGetDeviceInterfaceDetailA(set, &data, &buffer.detail, sizeof buffer, nullptr, nullptr)) {
            ++failedDetails;
            continue;
        }
        HidInterface iface;
        iface.path = buffer.detail.DevicePath;
        iface.devnode = iface.path;
        iface.appearance = windows::appearanceOf(iface.path);
        iface.vendorId = idAfter(iface.path, "vid_");
        iface.productId = idAfter(iface.path, "pid_");
        out.push_back(std::move(iface));
    }
    SetupDiDestroyDeviceInfoList(set);
    return ListResult::ok;
}

} // namespace ousb::platform

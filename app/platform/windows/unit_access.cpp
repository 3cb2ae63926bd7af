// Units through SetupDi: a unit's HID interface path carries the maker's
// vendor id. Any user may open a HID device that is not a keyboard or a
// mouse, so nothing is refused and there is no rule to install; the system
// does not say which program holds a unit, only that one does.
#include "unit_nodes_system.h"

#include <QCoreApplication>
#include <QStringList>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <setupapi.h>
// mingw-w64's hidsdi.h declares C functions without saying so.
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <cctype>

namespace zq40 {

namespace {

constexpr const char* kVendorKey = "vid_3a5b";

bool isUnitPath(std::string path)
{
    std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return path.find(kVendorKey) != std::string::npos;
}

} // namespace

std::vector<std::string> platform::unitNodes()
{
    std::vector<std::string> paths;
    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    HDEVINFO set = SetupDiGetClassDevsA(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return paths;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &data); ++index) {
        union {
            SP_DEVICE_INTERFACE_DETAIL_DATA_A detail;
            char bytes[2056];
        } buffer{};
        buffer.detail.cbSize = sizeof buffer.detail;
        if (SetupDiGetDeviceInterfaceDetailA(set, &data, &buffer.detail, sizeof buffer, nullptr, nullptr) &&
            isUnitPath(buffer.detail.DevicePath))
            paths.emplace_back(buffer.detail.DevicePath);
    }
    SetupDiDestroyDeviceInfoList(set);
    return paths;
}

// Every program using a unit opens it unshared (the library does): a
// sharing violation means another program has it.
std::vector<NodeHolder> platform::otherHoldersOf(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return {};
    }
    if (GetLastError() == ERROR_SHARING_VIOLATION)
        return {NodeHolder{}};
    return {};
}

bool deniedToThisProcess(const std::string&)
{
    return false;
}

QString accessHintText(const std::vector<std::string>& nodes)
{
    QStringList names;
    for (const std::string& n : nodes)
        names << QString::fromStdString(n);
    return QCoreApplication::translate("AccessHint",
                                       "A ZQ40 is plugged in, but this computer does not let you use it: "
                                       "no permission to open %1.")
        .arg(names.join(QStringLiteral(", ")));
}

// Nothing to watch: the hint has nothing to say on this system.
struct UnitNodeWatch::Monitor { };

UnitNodeWatch::UnitNodeWatch(QObject* parent)
    : QObject(parent)
{
}

UnitNodeWatch::~UnitNodeWatch() = default;

bool UnitNodeWatch::start()
{
    return false;
}

void UnitNodeWatch::stop()
{
    monitor.reset();
}

} // namespace zq40

// Any bytes as what a unit sends the registry: each 64-byte piece is a report
// (status, parameter blocks, anything else), and where its first byte is 34
// or 35 the piece also comes as a child's record, connecting or leaving.
// Storing must never write outside a block, and the record must stay
// readable: a name ends within its block, children stay under their keys.
#include "qdevices.h"
#include "report_codec.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class NoWindow : public DeviceView {
public:
    QDevice* currentDevice() const override { return nullptr; }
    void fallBackToOfflineDevice() override { }
};

char childName[] = "Tilo1";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "registry_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static NoWindow window;
    static QDevices registry(nullptr, &window);

    // A unit the library never heard of: the registry's writes to it fail
    // at once, and everything else happens as for a real one.
    ousb_device_info_t info{};
    info.perID = 601;
    info.ser = 4242;
    char product[] = "ZQ40";
    info.name = product;
    const ousb_handle_t handle = &info;
    registry.OnDeviceConnect(handle, &info);

    constexpr size_t kPiece = 64;
    for (size_t at = 0; at < size; at += kPiece) {
        hid_report_t report{};
        std::memcpy(&report, data + at, std::min(kPiece, size - at));
        registry.OnDeviceReadReport(handle, &report);
        if (report.msgID == 34 || report.msgID == 35) {
            ousb_child_device_info_t child{};
            std::memcpy(&child, report.payload, sizeof child - sizeof child.name);
            child.name = childName;
            if (report.msgID == 34)
                registry.OnChildDeviceConnect(handle, &child);
            else
                registry.OnChildDeviceDisconnect(handle, &child);
        }
    }

    QDevice* record = registry.find(handle);
    if (!record)
        std::abort();
    if (record->blocks.deviceNameText().size() > record->blocks.deviceName.size())
        std::abort(); // the name ran past its block
    for (auto it = record->children.cbegin(); it != record->children.cend(); ++it)
        if (!it.value() || zq40::childKey(*it.value()->pDeviceInfo) != it.key())
            std::abort();
    registry.OnDeviceDisconnect(handle, &info);
    return 0;
}

// Any bytes as what a unit sends the library: after one byte of setup, the
// rest is cut into reads that the library handles as its worker handles a
// read from the device (version blocks, children connecting and leaving, any
// other msgID). The setup byte decides whether a firmware update is under
// way, on this record or on an earlier record of the same unit, and how long
// the reads are (short reads are zero-filled).
//
// Checked after each read: callbacks only when the library may make them,
// with records it owns and that stay readable (names end within their
// buffers), children unique by key, the version block stored as sent, the
// read handed to a waiting reader only when no write started meanwhile,
// and nothing written to the unit but the child enumeration.
#include "commands.h"
#include "library.h"
#include "report_format.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {

using namespace ousb;

// Stands in for the open hidraw node: it records what the library writes.
class RecordingFile final : public platform::HidFile {
public:
    platform::IoResult write(const uint8_t* report65, int) override
    {
        if (report65[0] != 0 || report65[1] != OUSB_MSG_ENUMERATE_CHILDREN || readLe32(report65 + 2) != OUSB_TAG)
            std::abort(); // the library answers reads with nothing else
        ++writes;
        return {platform::IoStatus::ok, 0, 65};
    }
    platform::IoResult read(uint8_t*) override { return {platform::IoStatus::wouldBlock}; }
    bool productString(std::string&) override { return true; }
    void close() override { }
    bool isOpen() const override { return true; }

    int writes = 0;
};

struct Expectations {
    Device* device = nullptr;
    const uint8_t* report = nullptr; // the read being handled, 64 bytes
    std::set<uint16_t> children;     // keys the client was told about
    int connects = 0;
};
Expectations expect;

void check(bool ok)
{
    if (!ok)
        std::abort();
}

bool nameWithin(const char* name, const char* buffer, size_t capacity)
{
    return name == buffer && std::memchr(buffer, 0, capacity) != nullptr;
}

void onConnect(ousb_handle_t handle, ousb_device_info_t* info)
{
    Device& d = *expect.device;
    check(!library().updateInProgress());
    check(handle == d.handle() && info == &d.info);
    check(nameWithin(info->name, d.product.data(), d.product.size()));
    check(expect.report[kMsgIdOffset] == OUSB_MSG_VERSION);
    for (int i = 0; i < 6; ++i)
        check((&info->perID)[i] == readLe32(expect.report + kPayloadOffset + 4 * i));
    ++expect.connects;
}

void onDisconnect(ousb_handle_t, ousb_device_info_t*)
{
    std::abort(); // a read never removes the record
}

const Child* childRecord(const ousb_child_device_info_t* info)
{
    for (const auto& c : expect.device->children)
        if (&c->info == info)
            return c.get();
    return nullptr;
}

void onChildConnect(ousb_handle_t handle, ousb_child_device_info_t* info)
{
    check(handle == expect.device->handle());
    check(expect.report[kMsgIdOffset] == OUSB_MSG_CHILD_CONNECT);
    const Child* child = childRecord(info);
    check(child != nullptr);
    check(nameWithin(info->name, child->name.data(), child->name.size()));
    check(std::strcmp(info->name, modelName(info->model)) == 0);
    check(std::memcmp(info->childID, expect.report + kPayloadOffset, 2) == 0);
    expect.children.insert(child->selector());
}

void onChildDisconnect(ousb_handle_t handle, ousb_child_device_info_t* info)
{
    check(handle == expect.device->handle() && expect.device->online);
    check(expect.report[kMsgIdOffset] == OUSB_MSG_CHILD_DISCONNECT);
    const Child* child = childRecord(info);
    check(child != nullptr);
    check(nameWithin(info->name, child->name.data(), child->name.size()));
    // Only a child that was announced can be announced as leaving.
    check(expect.children.erase(child->selector()) == 1);
}

int readCallbacks = 0;

void onReadReport(ousb_handle_t handle, hid_report_t* report)
{
    check(handle == expect.device->handle());
    check(!library().updateInProgress());
    const auto* bytes = reinterpret_cast<const uint8_t*>(report);
    check(std::memcmp(bytes, expect.report, 64) == 0);
    for (size_t i = 64; i < sizeof *report; ++i)
        check(bytes[i] == 0);
    ++readCallbacks;
}

DevicePtr makeUnit(uint32_t perID, uint32_t ser)
{
    auto d = std::make_shared<Device>();
    d->key = library().nextKey++;
    d->file = std::make_unique<RecordingFile>();
    std::strcpy(d->product.data(), "ZQ40");
    d->info.PID = 0x0259;
    d->info.perID = perID;
    d->info.ser = ser;
    d->info.name = d->product.data();
    return d;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool registered = [] {
        ousb_RegisterDeviceConnect(onConnect);
        ousb_RegisterDeviceDisconnect(onDisconnect);
        ousb_RegisterChildDeviceConnect(onChildConnect);
        ousb_RegisterChildDeviceDisconnect(onChildDisconnect);
        return true;
    }();
    (void)registered;
    if (size < 1)
        return 0;

    auto& lib = library();
    const uint8_t setup = data[0];
    ++data, --size;
    static constexpr size_t kReadLengths[] = {64, 63, 32, 7};
    const size_t readLength = kReadLengths[(setup >> 4) & 3];

    // The earlier record shares perID 601 and serial 4242 with the new one,
    // as a unit back from its bootloader does.
    DevicePtr unit = makeUnit(0, 0);
    DevicePtr earlier = makeUnit(601, 4242);
    lib.devices.append(unit);
    lib.devices.append(earlier);
    ousb_RegisterReadReportCallback(unit->handle(), onReadReport);
    if (setup & 1)
        lib.firmwareUpdateHandle = unit.get();
    if (setup & 2) {
        lib.firmwareUpdateHandle = earlier.get();
        lib.waitingForNewHandle = true;
    }

    expect = Expectations{};
    expect.device = unit.get();
    auto* file = static_cast<RecordingFile*>(unit->file.get());
    for (size_t at = 0; at < size; at += readLength) {
        const size_t n = std::min(readLength, size - at);
        std::array<uint8_t, 64> report{};
        std::memcpy(report.data(), data + at, n);
        expect.report = report.data();

        const int writesBefore = file->writes;
        const int connectsBefore = expect.connects;
        const int readsBefore = readCallbacks;
        const bool updating = lib.updateInProgress();
        const bool waiting = lib.waitingForNewHandle;
        handleIncomingReport(*unit, data + at, n);

        // A connect is followed by the child enumeration, and nothing else writes.
        check(file->writes - writesBefore == expect.connects - connectsBefore);
        // The reader gets the report unless a write started after it came in.
        std::array<uint8_t, 64> taken{};
        const bool handed = unit->readQueue.tryTake(taken.data());
        check(handed == (file->writes == writesBefore));
        check(!handed || taken == report);
        check(!unit->readQueue.tryTake(taken.data())); // and nothing else waits
        check(!updating || readCallbacks == readsBefore);

        if (report[kMsgIdOffset] == OUSB_MSG_VERSION) {
            check(unit->online);
            // The updater follows its unit to the new record exactly once.
            if (waiting && lib.firmwareUpdateHandle.load() == unit.get())
                check(!lib.waitingForNewHandle && lib.bootloaderFound.tryConsume());
            else
                check(lib.waitingForNewHandle == waiting && !lib.bootloaderFound.tryConsume());
        }
        // A record that never came online loses its children without telling.
        if (report[kMsgIdOffset] == OUSB_MSG_CHILD_DISCONNECT && !unit->online)
            expect.children.erase(uint16_t(report[kPayloadOffset] | report[kPayloadOffset + 1] << 8));
        // One record per key, and never more records than keys announced or kept.
        std::set<uint16_t> keys;
        for (const auto& c : unit->children)
            check(keys.insert(c->selector()).second);
        for (uint16_t key : expect.children)
            check(keys.count(key) == 1);
    }

    lib.firmwareUpdateHandle = nullptr;
    lib.waitingForNewHandle = false;
    lib.bootloaderFound.reset();
    ousb_UnregisterReadReportCallback(unit->handle(), onReadReport);
    lib.devices.remove(unit.get());
    lib.devices.remove(earlier.get());
    return 0;
}

// Firmware updates of a main unit and of a child cut at each state of the
// transfer and at each burst boundary of the region being written: the
// bootloader refuses, acknowledges a corrupted write or a wrong region CRC
// (once, or every time), falls silent, or leaves the bus. The outcome is the
// right one and never a false success, and a second update then completes.
#include "emulated_bus.h"

#include "writer.h"

#include <string>
#include <thread>

using namespace testsupport;
using Kind = LibraryEvent::Kind;
using namespace std::chrono_literals;

namespace {

// Region 0 of the main unit (model 601) and of a remote (model 200) alike:
// 66 chunks, so bursts end at writes 32 and 64 and the region ends after 66.
constexpr uint32_t kRegionBase = 0x18000;
constexpr uint32_t kRegionLength = 0x10000;
constexpr size_t kImageBytes = 52 * 64 + 100;
constexpr uint16_t kRemoteKey = 258;

constexpr auto onProgress = &ProgressRecord::callback;

std::vector<uint8_t> regionContents(uint8_t seed)
{
    std::vector<uint8_t> bytes(kImageBytes);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(seed + i * 7);
    return bytes;
}

std::vector<uint8_t> image(uint32_t model, uint8_t seed)
{
    obin::RegionImage r;
    r.model = model;
    r.regionIndex = 0;
    r.version = 0x02000000 + seed;
    r.baseAddress = kRegionBase;
    r.regionLength = kRegionLength;
    r.sections.push_back({kRegionBase, regionContents(seed)});
    return obin::buildBlock(r);
}

std::vector<uint8_t> expectedMemory(uint8_t seed)
{
    std::vector<uint8_t> memory(kRegionLength, 0xFF);
    const auto bytes = regionContents(seed);
    std::copy(bytes.begin(), bytes.end(), memory.begin());
    return memory;
}

enum class Target { mainUnit, child };

// Packets about region 0 since the faults were set, from 1: the select,
// the begin, the 66 writes, the end. The bootloader counts the attempts of
// each kind of packet apart; the 32nd and 64th writes ask for an
// acknowledgement, the others are unacknowledged writes.
constexpr int kSelectPacket = 3, kBeginPacket = 4; // after the hello and the get-info
constexpr int writePacket(int n)
{
    return kBeginPacket + n;
}
constexpr int kEndPacket = writePacket(66) + 1;
constexpr bool acknowledged(int n)
{
    return n % 32 == 0;
}
constexpr int attemptOfWrite(int n)
{
    return acknowledged(n) ? n / 32 : n - n / 32;
}

struct Cut {
    std::string name;
    Target target;
    zq40emu::BootFaults faults;
    int outcome;         // code of the final progress report
    bool unplug = false; // the cable goes: the second run needs the device plugged in again
};

void PrintTo(const Cut& cut, std::ostream* os)
{
    *os << cut.name;
}
zq40emu::BootFaults refuse(uint8_t kind, int region, int first, int last = INT_MAX)
{
    zq40emu::BootFaults f;
    f.refusals.push_back({kind, region, first, last, zq40emu::boot::kErrAddress});
    return f;
}

// An unacknowledged write that is refused is not programmed and not answered.
zq40emu::BootFaults refuseWriteOnce(int n)
{
    const int attempt = attemptOfWrite(n);
    return refuse(acknowledged(n) ? zq40emu::boot::kWrite : zq40emu::boot::kWriteNoAck, 0, attempt, attempt);
}

zq40emu::BootFaults corruptWrites(std::vector<int> writes)
{
    zq40emu::BootFaults f;
    f.corruptWrites = std::move(writes);
    return f;
}

zq40emu::BootFaults everyWriteCorrupted()
{
    std::vector<int> all(400);
    for (int i = 0; i < 400; ++i)
        all[i] = i + 1;
    return corruptWrites(all);
}

zq40emu::BootFaults wrongEndCrc(int first, int last)
{
    zq40emu::BootFaults f;
    f.wrongEndCrc.push_back({0, first, last});
    return f;
}

zq40emu::BootFaults silentFrom(int packet)
{
    zq40emu::BootFaults f;
    f.silentFromPacket = packet;
    return f;
}

zq40emu::BootFaults unplugAt(int packet)
{
    zq40emu::BootFaults f;
    f.unplugAfterTunnelPackets = packet;
    return f;
}

constexpr int kTimeout = 1, kRefused = 83, kRegionCrc = 85, kWriteCrc = 88;

std::vector<Cut> cuts()
{
    using namespace zq40emu::boot;
    std::vector<Cut> all;
    for (Target t : {Target::mainUnit, Target::child}) {
        const bool m = t == Target::mainUnit;
        auto add = [&](std::string name, zq40emu::BootFaults f, int outcome, bool unplug = false) {
            all.push_back({(m ? "Unit_" : "Child_") + name, t, std::move(f), outcome, unplug});
        };
        // Refused once at each state and burst boundary: the region starts again.
        add("RefusedOnceAtSelect", refuse(kSelectRegion, 0, 1, 1), 0);
        add("RefusedOnceAtBegin", refuse(kBeginRegion, 0, 1, 1), 0);
        for (int n : {1, 31, 32, 33, 64, 65, 66})
            add("RefusedOnceAtWrite" + std::to_string(n), refuseWriteOnce(n), 0);
        add("RefusedOnceAtEnd", refuse(kEndRegion, 0, 1, 1), 0);
        // Refused for good: the region gives up after three restarts, the
        // session at once before it knows the region count.
        add("RefusedAtHello", refuse(kHello, -1, 1), kRefused);
        add("RefusedAtGetInfo", refuse(kGetInfo, -1, 1), kRefused);
        add("RefusedAlwaysAtSelect", refuse(kSelectRegion, 0, 1), kRefused);
        add("RefusedAlwaysAtBegin", refuse(kBeginRegion, 0, 1), kRefused);
        add("RefusedAlwaysAtAcknowledgedWrites", refuse(kWrite, 0, 1), kRefused);
        add("RefusedAlwaysAtEnd", refuse(kEndRegion, 0, 1), kRefused);
        // A write programmed and acknowledged corrupted, once at each burst boundary.
        for (int n : {1, 31, 32, 33, 64, 65, 66})
            add("CorruptedOnceAtWrite" + std::to_string(n), corruptWrites({n}), 0);
        add("CorruptedAlways", everyWriteCorrupted(), kWriteCrc);
        // The end of the region acknowledged with a wrong CRC.
        add("WrongRegionCrcOnce", wrongEndCrc(1, 1), 0);
        add("WrongRegionCrcAlways", wrongEndCrc(1, INT_MAX), kRegionCrc);
        // Silent and unplugged wait for the time limits: a few points each.
        add("SilentAtWrite33", silentFrom(writePacket(33)), kTimeout);
        add("UnpluggedAtHello", unplugAt(1), kTimeout, true);
        add("UnpluggedAtBegin", unplugAt(kBeginPacket), kTimeout, true);
        add("UnpluggedAtWrite32", unplugAt(writePacket(32)), kTimeout, true);
        add("UnpluggedAtWrite33", unplugAt(writePacket(33)), kTimeout, true);
        add("UnpluggedAtEnd", unplugAt(kEndPacket), kTimeout, true);
    }
    return all;
}

struct Outcome {
    bool result;
    int code; // of the final progress report; -1 when there was none
};

class FirmwareFaults : public EmulatedBus, public ::testing::WithParamInterface<Cut> {
protected:
    zq40emu::Unit& unit() { return *bed->units().front(); }

    static zq40emu::ChildConfig remote() { return zq40emu::remote(kRemoteKey, 200, 0x01030019); }

    // The unit's record after a fresh enumeration, once it answers: a unit
    // that left its bootloader or came back on the bus has a new record, and
    // the library may still be announcing the one it had found itself.
    ousb_handle_t settledHandle(bool withChild)
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            std::this_thread::sleep_for(200ms);
            events().clear();
            ousb_EnumerateDevices();
            auto connects = events().waitForKind(Kind::connect, 1, 3000ms);
            if (connects.empty())
                continue;
            if (withChild && events().waitForKind(Kind::childConnect, 1, 3000ms).empty())
                continue;
            const ousb_handle_t h = connects.back().handle;
            uint8_t status[2];
            if (ousb_FindDeviceByName("ZQ40") == h && ousb_GetStatusInfo(h, status))
                return h;
        }
        return nullptr;
    }

    Outcome update(ousb_handle_t h, std::vector<uint8_t> image, bool child)
    {
        progress().clear();
        const bool result = child
            ? ousb_UpdateChildDeviceFirmware(h, uint16_t(kRemoteKey >> 8 | (kRemoteKey & 0xFF) << 8), image.data(),
                                             uint32_t(image.size()), 0, onProgress)
            : ousb_UpdateDeviceFirmware(h, image.data(), uint32_t(image.size()), 0, onProgress);
        const Progress last = progress().last();
        if (last.first < 0)
            return {result, -1};
        EXPECT_EQ(last.first, 100);
        return {result, last.second};
    }
};

TEST_P(FirmwareFaults, OutcomeIsRightAndASecondUpdateCompletes)
{
    const Cut& cut = GetParam();
    const bool child = cut.target == Target::child;
    const uint16_t device = child ? kRemoteKey : zq40emu::kMainUnit;
    const uint32_t model = child ? 200 : 601;

    auto config = unitConfig(32001);
    if (child)
        config.children = {remote()};
    bed->plug(config);
    ousb_handle_t h = settledHandle(child);
    ASSERT_NE(h, nullptr);
    unit().setBootFaults(cut.faults, device);

    const Outcome first = update(h, image(model, 1), child);
    EXPECT_EQ(first.code, cut.outcome);
    // Never a false success: true exactly when the region holds the image.
    EXPECT_EQ(first.result, first.code == 0);
    if (first.result) {
        EXPECT_EQ(unit().regionMemory(0, device), expectedMemory(1));
    }
    if (child) {
        EXPECT_EQ(unit().selectedChild(), 0); // deselected, whatever happened
    }

    // The fault clears, or the device is plugged in again; the next update completes.
    unit().setBootFaults({}, device);
    if (cut.unplug && child)
        unit().connectChild(remote());
    else if (cut.unplug)
        bed->replug(unit());
    h = settledHandle(child);
    ASSERT_NE(h, nullptr);
    const Outcome second = update(h, image(model, 2), child);
    EXPECT_TRUE(second.result);
    EXPECT_EQ(second.code, 0);
    EXPECT_EQ(unit().regionMemory(0, device), expectedMemory(2));
    EXPECT_EQ(unit().regionVersion(0, device), 0x02000002u);
}

INSTANTIATE_TEST_SUITE_P(EveryStateAndBurstBoundary, FirmwareFaults, ::testing::ValuesIn(cuts()),
                         [](const ::testing::TestParamInfo<Cut>& info) { return info.param.name; });

} // namespace

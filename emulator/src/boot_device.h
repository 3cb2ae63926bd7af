// The bootloader of one device (the main unit or a child): its flash, the
// packets it got, and the faults it answers with. Free of I/O: packet in,
// packet out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "boot_packets.h"
#include "flash_memory.h"
#include "zq40emu/bootloader.h"

namespace zq40emu::detail {

class BootDevice {
public:
    BootDevice() = default;
    BootDevice(uint32_t model, FlashMemory flash)
        : model_(model)
        , flash_(std::move(flash))
    {
    }

    struct Outcome {
        Packet answer;         // empty: nothing goes back
        bool finished = false; // the device restarts into its application
    };
    Outcome handle(const Packet& packet);

    // Counts a tunnelled packet on its way in; true when the device is to drop
    // off the bus instead of acting on it.
    bool tunnelPacketArrives();
    // Power-up: no region being written, packet count and silence start over.
    void restart();
    // The version of the last begin region for `region` since power-up.
    std::optional<uint32_t> begunVersion(std::size_t region) const;

    uint32_t model() const { return model_; }
    FlashMemory& flash() { return flash_; }
    const FlashMemory& flash() const { return flash_; }
    // Another device on the same port: new memory, same faults and record.
    void replace(uint32_t model, FlashMemory flash);

    void setFaults(const BootFaults& faults);
    const BootFaults& faults() const { return faults_; }
    const std::vector<BootPacket>& packets() const { return record_; }
    void clearPackets() { record_.clear(); }

private:
    struct Writing {
        std::size_t region;
        uint32_t version;
        uint32_t crc;
    };

    bool describe(const Packet& p, BootPacket& rec) const;
    std::optional<uint8_t> injectedRefusal(const BootPacket& rec, int attempt) const;
    bool endCrcCorrupted(int region, int attempt) const;
    Outcome execute(const Packet& p, const BootPacket& rec);
    Outcome beginRegion(const Packet& p);
    Outcome write(const Packet& p, const BootPacket& rec);
    Outcome endRegion(const BootPacket& rec, int attempt);

    uint32_t model_ = 0;
    FlashMemory flash_;
    BootFaults faults_;
    std::vector<BootPacket> record_;

    // since the faults were set
    std::map<std::pair<uint8_t, int>, int> attempts_;
    int writes_ = 0;
    int tunnelPackets_ = 0;

    // since power-up
    std::optional<Writing> writing_;
    std::map<std::size_t, uint32_t> begun_;
    int packetNumber_ = 0;
    bool silenced_ = false;
};

} // namespace zq40emu::detail

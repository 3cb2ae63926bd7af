// One emulated ZQ40 main unit. Every method is thread-safe and may be called
// while the host is talking to the unit.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zq40emu/config.h"
#include "zq40emu/report.h"

namespace zq40emu {

namespace detail {
class UnitCore;
}

constexpr uint16_t kMainUnit = 0; // the unit itself where a child key may be given

class Unit {
public:
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;
    ~Unit();

    const UnitConfig& config() const;

    void setFaults(const Faults& faults);
    Faults faults() const;

    // What msgID 1 reports; a firmware update changes these.
    void setVersionWords(const VersionWords& words);
    void setVersion(uint32_t ver); // the firmware version word alone
    VersionWords versionWords() const;

    void setStatus(uint8_t status);
    std::array<uint32_t, 2> flashParams() const;
    uint16_t selectedChild() const; // last msgID 32 selection, 0 when none

    // Children come and go as if a cable was connected at the unit.
    void connectChild(const ChildConfig& child); // sends msgID 34
    void disconnectChild(uint16_t childID);      // sends msgID 35
    std::vector<ChildConfig> children() const;

    // Parameter blocks (codes in kBlockCodes; 2 addresses block 16).
    void setBlock(uint8_t code, std::vector<uint8_t> bytes); // silently, no report
    std::vector<uint8_t> block(uint8_t code) const;
    void pushBlock(uint8_t code); // sends the block as msgID 49, as if a knob moved

    // Raw traffic.
    void sendReport(const Report& report); // goes to the host as is
    void flood(int count);                 // unsolicited reports, as Faults::floodReports
    std::vector<Report> received() const;  // everything the host wrote, oldest first
    std::size_t receivedCount() const;
    void clearReceived();
    // Waits until pred(received()) holds; false on timeout.
    bool waitForReceived(const std::function<bool(const std::vector<Report>&)>& pred,
                         std::chrono::milliseconds timeout) const;

    // Firmware update. `device` is kMainUnit for the unit itself or a child's
    // key; an unknown child throws std::invalid_argument, a region out of range
    // std::out_of_range. A child keeps its memory and faults while away.
    bool inBootloader() const; // running the bootloader, or will be when back on the bus
    std::vector<FlashRegion> regions(uint16_t device = kMainUnit) const; // layout and versions, no contents
    std::vector<uint8_t> regionMemory(std::size_t region, uint16_t device = kMainUnit) const;
    uint32_t regionVersion(std::size_t region, uint16_t device = kMainUnit) const;
    // Contents padded with 0xFF (or cut) to the region's length.
    void setRegion(std::size_t region, std::vector<uint8_t> contents, uint32_t version, uint16_t device = kMainUnit);
    void setRegionVersion(std::size_t region, uint32_t version, uint16_t device = kMainUnit);
    void setBootFaults(const BootFaults& faults, uint16_t device = kMainUnit); // restarts their counts
    BootFaults bootFaults(uint16_t device = kMainUnit) const;
    std::vector<BootPacket> bootPackets(uint16_t device = kMainUnit) const; // oldest first
    void clearBootPackets(uint16_t device = kMainUnit);
    bool waitForBootPackets(const std::function<bool(const std::vector<BootPacket>&)>& pred,
                            std::chrono::milliseconds timeout, uint16_t device = kMainUnit) const;

    // One report a millisecond each way, as UnitConfig::paced.
    void setPaced(bool on);
    bool paced() const;

    // Connection state.
    bool plugged() const;
    bool hostAttached() const; // the host has the hidraw node open
    bool waitForHostAttached(bool attached, std::chrono::milliseconds timeout) const;
    std::string sysfsPath() const;    // /sys/devices/.../hidraw/hidrawN, empty when unplugged
    std::string devnode() const;      // /dev/hidrawN, empty when unplugged
    std::string usbSysfsPath() const; // the usb_device
    int plugCount() const;            // times the unit appeared on the bus (reboots count)

private:
    friend class Testbed;
    explicit Unit(std::shared_ptr<detail::UnitCore> core);
    std::shared_ptr<detail::UnitCore> core_;
};

} // namespace zq40emu

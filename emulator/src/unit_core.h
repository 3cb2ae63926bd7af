// State and behaviour behind a public Unit. One mutex guards the unit and its
// current hidraw link; the link's umockdev callbacks and the serving thread
// take it too.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "device_tree.h"
#include "firmware.h"
#include "scheduler.h"
#include "zq40emu/config.h"
#include "zq40emu/report.h"

namespace zq40emu::detail {

class HidrawLink;

class UnitCore : public std::enable_shared_from_this<UnitCore> {
public:
    UnitCore(UnitConfig config, std::shared_ptr<Scheduler> scheduler);
    ~UnitCore();

    const UnitConfig& config() const { return config_; }
    const std::string& serial() const { return serial_; }
    std::mutex& mutex() const { return mutex_; }
    Scheduler& scheduler() { return *scheduler_; }

    // --- called by the link with mutex() held ---
    void hostWrote(const Report& report);
    void attachmentChanged() { changed_.notify_all(); }
    bool pacedLocked() const { return paced_; }

    // --- public Unit operations; they lock ---
    void setFaults(const Faults& faults);
    Faults faults() const;
    void setVersionWords(const VersionWords& words);
    VersionWords versionWords() const;
    void setStatus(uint8_t status);
    std::array<uint32_t, 2> flashParams() const;
    uint16_t selectedChild() const;
    void connectChild(const ChildConfig& child);
    void disconnectChild(uint16_t childID);
    std::vector<ChildConfig> children() const;
    void setBlock(uint8_t code, std::vector<uint8_t> bytes);
    std::vector<uint8_t> block(uint8_t code) const;
    void pushBlock(uint8_t code);
    void sendReport(const Report& report);
    void flood(int count);
    std::vector<Report> received() const;
    std::size_t receivedCount() const;
    void clearReceived();
    bool waitForReceived(const std::function<bool(const std::vector<Report>&)>& pred,
                         std::chrono::milliseconds timeout) const;
    bool plugged() const;
    bool hostAttached() const;
    bool waitForHostAttached(bool attached, std::chrono::milliseconds timeout) const;
    std::string sysfsPath() const;
    std::string devnode() const;
    std::string usbSysfsPath() const;
    int plugCount() const;

    // --- firmware update (unit_core_boot.cpp); device 0 is the unit, others a child key ---
    bool inBootloader() const;
    std::vector<FlashRegion> regions(uint16_t device) const;
    std::vector<uint8_t> regionMemory(std::size_t region, uint16_t device) const;
    uint32_t regionVersion(std::size_t region, uint16_t device) const;
    void setRegion(std::size_t region, std::vector<uint8_t> contents, uint32_t version, uint16_t device);
    void setRegionVersion(std::size_t region, uint32_t version, uint16_t device);
    void setBootFaults(const BootFaults& faults, uint16_t device);
    BootFaults bootFaults(uint16_t device) const;
    std::vector<BootPacket> bootPackets(uint16_t device) const;
    void clearBootPackets(uint16_t device);
    bool waitForBootPackets(const std::function<bool(const std::vector<BootPacket>&)>& pred,
                            std::chrono::milliseconds timeout, uint16_t device) const;
    void setPaced(bool on);
    bool paced() const;

    // --- owned by the testbed, changed under its lock ---
    // Takes the unit off the bus now and, when comesBack, back after offBus.
    // Run on the serving thread.
    std::function<void(std::chrono::milliseconds offBus, bool comesBack)> rebootHook;
    std::function<void()> yankHook;
    Placement placement;
    bool rebooting = false;
    int port = 0; // kept across a reboot
    // Device entries of the current (or last) appearance; written only by
    // exchangeLink, so holding either lock is enough to read them.
    const UnitTree& tree() const { return tree_; }
    // Makes `link` current (null: unplugged) and returns the previous one. Locks.
    std::shared_ptr<HidrawLink> exchangeLink(std::shared_ptr<HidrawLink> link, const UnitTree* tree = nullptr);

private:
    // all with mutex_ held
    void deliver(const Report& report);
    void leaveBus(Restart how);
    void restartChild(uint16_t key);
    void dropChild(uint16_t key);
    void childPluggedIn(const ChildConfig& child);
    void childUnplugged(uint16_t key);
    BootDevice& bootOf(uint16_t device);
    const BootDevice& bootOf(uint16_t device) const;
    void answer(std::vector<Report> answers);
    Report floodReport();
    bool attachedLocked() const;

    const UnitConfig config_;
    const std::string serial_;
    std::shared_ptr<Scheduler> scheduler_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    UnitState state_;
    std::unique_ptr<Firmware> firmware_;
    Faults faults_;
    int yankCountdown_ = 0;
    bool leaving_ = false; // about to drop off the bus: nothing more is acted on
    bool paced_ = false;
    std::mt19937 rng_;
    std::vector<Report> received_;
    std::shared_ptr<HidrawLink> link_;
    UnitTree tree_;
    int plugCount_ = 0;
};

} // namespace zq40emu::detail

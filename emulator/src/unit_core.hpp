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

#include "device_tree.hpp"
#include "firmware.hpp"
#include "scheduler.hpp"
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

  // --- owned by the testbed, changed under its lock ---
  std::function<void()> rebootHook;  // run on the serving thread
  std::function<void()> yankHook;
  Placement placement;
  bool rebooting = false;
  int port = 0;  // kept across a reboot
  // Device entries of the current (or last) appearance; written only by
  // exchangeLink, so holding either lock is enough to read them.
  const UnitTree& tree() const { return tree_; }
  // Makes `link` current (null: unplugged) and returns the previous one. Locks.
  std::shared_ptr<HidrawLink> exchangeLink(std::shared_ptr<HidrawLink> link, const UnitTree* tree = nullptr);

 private:
  // all with mutex_ held
  void deliver(const Report& report);
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
  std::mt19937 rng_;
  std::vector<Report> received_;
  std::shared_ptr<HidrawLink> link_;
  UnitTree tree_;
  int plugCount_ = 0;
};

}  // namespace zq40emu::detail

#include "zq40emu/unit.h"

#include "unit_core.h"

namespace zq40emu {

Unit::Unit(std::shared_ptr<detail::UnitCore> core)
    : core_(std::move(core))
{
}
Unit::~Unit() = default;

const UnitConfig& Unit::config() const
{
    return core_->config();
}
void Unit::setFaults(const Faults& faults)
{
    core_->setFaults(faults);
}
Faults Unit::faults() const
{
    return core_->faults();
}

void Unit::setVersionWords(const VersionWords& words)
{
    core_->setVersionWords(words);
}
void Unit::setVersion(uint32_t ver)
{
    VersionWords w = core_->versionWords();
    w.ver = ver;
    core_->setVersionWords(w);
}
VersionWords Unit::versionWords() const
{
    return core_->versionWords();
}

void Unit::setStatus(uint8_t status)
{
    core_->setStatus(status);
}
std::array<uint32_t, 2> Unit::flashParams() const
{
    return core_->flashParams();
}
uint16_t Unit::selectedChild() const
{
    return core_->selectedChild();
}

void Unit::connectChild(const ChildConfig& child)
{
    core_->connectChild(child);
}
void Unit::disconnectChild(uint16_t childID)
{
    core_->disconnectChild(childID);
}
std::vector<ChildConfig> Unit::children() const
{
    return core_->children();
}

void Unit::setBlock(uint8_t code, std::vector<uint8_t> bytes)
{
    core_->setBlock(code, std::move(bytes));
}
std::vector<uint8_t> Unit::block(uint8_t code) const
{
    return core_->block(code);
}
void Unit::pushBlock(uint8_t code)
{
    core_->pushBlock(code);
}

void Unit::sendReport(const Report& report)
{
    core_->sendReport(report);
}
void Unit::flood(int count)
{
    core_->flood(count);
}
std::vector<Report> Unit::received() const
{
    return core_->received();
}
std::size_t Unit::receivedCount() const
{
    return core_->receivedCount();
}
void Unit::clearReceived()
{
    core_->clearReceived();
}
bool Unit::waitForReceived(const std::function<bool(const std::vector<Report>&)>& pred,
                           std::chrono::milliseconds timeout) const
{
    return core_->waitForReceived(pred, timeout);
}

bool Unit::inBootloader() const
{
    return core_->inBootloader();
}
std::vector<FlashRegion> Unit::regions(uint16_t device) const
{
    return core_->regions(device);
}
std::vector<uint8_t> Unit::regionMemory(std::size_t region, uint16_t device) const
{
    return core_->regionMemory(region, device);
}
uint32_t Unit::regionVersion(std::size_t region, uint16_t device) const
{
    return core_->regionVersion(region, device);
}
void Unit::setRegion(std::size_t region, std::vector<uint8_t> contents, uint32_t version, uint16_t device)
{
    core_->setRegion(region, std::move(contents), version, device);
}
void Unit::setRegionVersion(std::size_t region, uint32_t version, uint16_t device)
{
    core_->setRegionVersion(region, version, device);
}
void Unit::setBootFaults(const BootFaults& faults, uint16_t device)
{
    core_->setBootFaults(faults, device);
}
BootFaults Unit::bootFaults(uint16_t device) const
{
    return core_->bootFaults(device);
}
std::vector<BootPacket> Unit::bootPackets(uint16_t device) const
{
    return core_->bootPackets(device);
}
void Unit::clearBootPackets(uint16_t device)
{
    core_->clearBootPackets(device);
}
bool Unit::waitForBootPackets(const std::function<bool(const std::vector<BootPacket>&)>& pred,
                              std::chrono::milliseconds timeout, uint16_t device) const
{
    return core_->waitForBootPackets(pred, timeout, device);
}
void Unit::setPaced(bool on)
{
    core_->setPaced(on);
}
bool Unit::paced() const
{
    return core_->paced();
}

bool Unit::plugged() const
{
    return core_->plugged();
}
bool Unit::hostAttached() const
{
    return core_->hostAttached();
}
bool Unit::waitForHostAttached(bool attached, std::chrono::milliseconds timeout) const
{
    return core_->waitForHostAttached(attached, timeout);
}
std::string Unit::sysfsPath() const
{
    return core_->sysfsPath();
}
std::string Unit::devnode() const
{
    return core_->devnode();
}
std::string Unit::usbSysfsPath() const
{
    return core_->usbSysfsPath();
}
int Unit::plugCount() const
{
    return core_->plugCount();
}

} // namespace zq40emu

// UnitCore's firmware update side: children restarting after their update,
// and the bootloader state tests look at and change.
#include <algorithm>
#include <stdexcept>
#include <string>

#include "hidraw_link.h"
#include "unit_core.h"

namespace zq40emu::detail {
namespace {

void setInfoVersion(ChildConfig& child, uint32_t version)
{
    for (int i = 0; i < 4; ++i)
        child.info[8 + i] = static_cast<uint8_t>(version >> (8 * i));
}

} // namespace

// A child that finished its update restarts: gone at once, back after a
// moment with the version it was given.
void UnitCore::restartChild(uint16_t key)
{
    auto slot = state_.childFlash.find(key);
    auto& kids = state_.children;
    auto it = std::find_if(kids.begin(), kids.end(), [&](const ChildConfig& c) { return c.childID == key; });
    if (slot == state_.childFlash.end() || it == kids.end())
        return;
    ChildFlash& flash = slot->second;
    ChildConfig child = *it;
    kids.erase(it);
    if (std::optional<uint32_t> v = flash.boot.begunVersion(1))
        setInfoVersion(child, *v);
    flash.config = child;
    flash.boot.restart();
    const unsigned appearance = ++flash.appearance;
    deliver(childDisconnectReport(key));
    if (flash.boot.faults().neverBackAfterFinish)
        return;

    std::weak_ptr<UnitCore> weakSelf = weak_from_this();
    scheduler_->postAfter(std::chrono::milliseconds(config_.childRestartMs), [weakSelf, child, appearance] {
        auto self = weakSelf.lock();
        if (!self)
            return;
        std::lock_guard lock(self->mutex_);
        auto s = self->state_.childFlash.find(child.childID);
        if (s == self->state_.childFlash.end() || s->second.appearance != appearance)
            return; // plugged or pulled meanwhile
        self->state_.children.push_back(child);
        self->deliver(childConnectReport(child));
        self->changed_.notify_all();
    });
}

// The child's cable came out mid-transfer.
void UnitCore::dropChild(uint16_t key)
{
    auto& kids = state_.children;
    auto it = std::find_if(kids.begin(), kids.end(), [&](const ChildConfig& c) { return c.childID == key; });
    if (it == kids.end())
        return;
    kids.erase(it);
    childUnplugged(key);
    deliver(childDisconnectReport(key));
}

// The same child plugged in again keeps its memory; another one brings its own.
void UnitCore::childPluggedIn(const ChildConfig& child)
{
    auto [slot, fresh] = state_.childFlash.try_emplace(child.childID);
    ChildFlash& flash = slot->second;
    if (fresh) {
        flash.boot = childBootDevice(child);
    } else if (!(flash.config == child)) {
        BootDevice factory = childBootDevice(child);
        flash.boot.replace(factory.model(), factory.flash());
    }
    flash.config = child;
    flash.boot.restart();
    ++flash.appearance;
}

void UnitCore::childUnplugged(uint16_t key)
{
    auto slot = state_.childFlash.find(key);
    if (slot == state_.childFlash.end())
        return;
    slot->second.boot.restart();
    ++slot->second.appearance;
}

BootDevice& UnitCore::bootOf(uint16_t device)
{
    return const_cast<BootDevice&>(static_cast<const UnitCore*>(this)->bootOf(device));
}

const BootDevice& UnitCore::bootOf(uint16_t device) const
{
    if (device == 0)
        return state_.boot;
    auto slot = state_.childFlash.find(device);
    if (slot == state_.childFlash.end())
        throw std::invalid_argument("no child with key " + std::to_string(device));
    return slot->second.boot;
}

bool UnitCore::inBootloader() const
{
    std::lock_guard lock(mutex_);
    return state_.mode == Mode::Bootloader;
}

std::vector<FlashRegion> UnitCore::regions(uint16_t device) const
{
    std::lock_guard lock(mutex_);
    return bootOf(device).flash().layouts();
}

std::vector<uint8_t> UnitCore::regionMemory(std::size_t region, uint16_t device) const
{
    std::lock_guard lock(mutex_);
    return bootOf(device).flash().bytes(region);
}

uint32_t UnitCore::regionVersion(std::size_t region, uint16_t device) const
{
    std::lock_guard lock(mutex_);
    return bootOf(device).flash().version(region);
}

void UnitCore::setRegion(std::size_t region, std::vector<uint8_t> contents, uint32_t version, uint16_t device)
{
    std::lock_guard lock(mutex_);
    FlashMemory& flash = bootOf(device).flash();
    flash.setBytes(region, std::move(contents));
    flash.setVersion(region, version);
}

void UnitCore::setRegionVersion(std::size_t region, uint32_t version, uint16_t device)
{
    std::lock_guard lock(mutex_);
    bootOf(device).flash().setVersion(region, version);
}

void UnitCore::setBootFaults(const BootFaults& faults, uint16_t device)
{
    std::lock_guard lock(mutex_);
    bootOf(device).setFaults(faults);
}

BootFaults UnitCore::bootFaults(uint16_t device) const
{
    std::lock_guard lock(mutex_);
    return bootOf(device).faults();
}

std::vector<BootPacket> UnitCore::bootPackets(uint16_t device) const
{
    std::lock_guard lock(mutex_);
    return bootOf(device).packets();
}

void UnitCore::clearBootPackets(uint16_t device)
{
    std::lock_guard lock(mutex_);
    bootOf(device).clearPackets();
}

bool UnitCore::waitForBootPackets(const std::function<bool(const std::vector<BootPacket>&)>& pred,
                                  std::chrono::milliseconds timeout, uint16_t device) const
{
    std::unique_lock lock(mutex_);
    const BootDevice& boot = bootOf(device); // a child's stays put while the unit lives
    return changed_.wait_for(lock, timeout, [&] { return pred(boot.packets()); });
}

void UnitCore::setPaced(bool on)
{
    std::lock_guard lock(mutex_);
    paced_ = on;
    if (link_)
        link_->pacingChanged();
}

bool UnitCore::paced() const
{
    std::lock_guard lock(mutex_);
    return paced_;
}

} // namespace zq40emu::detail

#include "unit_core.h"

#include <algorithm>

#include "hidraw_link.h"

namespace zq40emu::detail {
namespace {

UnitConfig withSerial(UnitConfig c)
{
    if (c.serialString.empty())
        c.serialString = std::to_string(c.version.ser);
    return c;
}

bool isAnswerId(uint8_t id)
{
    return id == msg::kVersion || id == msg::kStatus || id == msg::kGetFlashParams;
}

} // namespace

UnitCore::UnitCore(UnitConfig config, std::shared_ptr<Scheduler> scheduler)
    : config_(withSerial(std::move(config)))
    , serial_(config_.serialString)
    , scheduler_(std::move(scheduler))
    , state_(initialState(config_))
    , firmware_(makeFirmware(state_.mode))
    , faults_(config_.faults)
    , yankCountdown_(config_.faults.unplugAfterReports)
    , paced_(config_.paced)
    , rng_(faults_.seed)
{
}

UnitCore::~UnitCore() = default;

std::shared_ptr<HidrawLink> UnitCore::exchangeLink(std::shared_ptr<HidrawLink> link, const UnitTree* tree)
{
    std::lock_guard lock(mutex_);
    std::swap(link, link_);
    if (tree)
        tree_ = *tree;
    if (link_) {
        ++plugCount_;
        state_.selectedChild = 0; // powered up: nothing selected yet
        state_.boot.restart();
        leaving_ = false;
    }
    changed_.notify_all();
    return link;
}

bool UnitCore::attachedLocked() const
{
    return link_ && !link_->gone() && link_->attached();
}

void UnitCore::deliver(const Report& report)
{
    if (link_)
        link_->deliver(report);
}

void UnitCore::hostWrote(const Report& report)
{
    received_.push_back(report);
    changed_.notify_all();

    if (yankCountdown_ > 0 && --yankCountdown_ == 0) {
        if (yankHook)
            scheduler_->post(yankHook);
        return;
    }
    if (config_.foreign || faults_.silent || leaving_)
        return;
    if (std::find(faults_.ignoredMsgIds.begin(), faults_.ignoredMsgIds.end(), report.msgId()) !=
        faults_.ignoredMsgIds.end())
        return;
    if (report.msgId() == msg::kTunnel && state_.boot.tunnelPacketArrives()) {
        leaving_ = true;
        if (yankHook)
            scheduler_->post(yankHook);
        return;
    }

    FirmwareResult result = firmware_->handle(state_, report);
    if (!result.answers.empty())
        answer(std::move(result.answers));
    for (uint16_t key : result.childrenRestarting)
        restartChild(key);
    for (uint16_t key : result.childrenLost)
        dropChild(key);
    if (result.restart != Restart::None)
        leaveBus(result.restart);
    changed_.notify_all(); // bootloader records changed
}

void UnitCore::leaveBus(Restart how)
{
    std::chrono::milliseconds offBus{config_.rebootMs};
    bool comesBack = true;
    switch (how) {
    case Restart::None:
        return;
    case Restart::Reboot:
        break;
    case Restart::EnterBootloader:
        state_.mode = Mode::Bootloader;
        offBus = std::chrono::milliseconds(config_.bootloaderStartMs);
        comesBack = !state_.boot.faults().bootloaderNeverAppears;
        break;
    case Restart::LeaveBootloader:
        state_.mode = Mode::Application;
        // the application reports the version it was given
        if (std::optional<uint32_t> v = state_.boot.begunVersion(1))
            state_.version.ver = state_.version.word5 = *v;
        comesBack = !state_.boot.faults().neverBackAfterFinish;
        break;
    }
    firmware_ = makeFirmware(state_.mode);
    leaving_ = true;
    if (auto hook = rebootHook)
        scheduler_->post([hook, offBus, comesBack] { hook(offBus, comesBack); });
}

// Sends what the firmware answered, bent by the faults in force.
void UnitCore::answer(std::vector<Report> answers)
{
    std::vector<Report> out;
    for (int i = 0; i < faults_.floodReports; ++i)
        out.push_back(floodReport());
    if (faults_.otherMsgFirst) {
        if (faults_.otherMsgId == msg::kParamBlock)
            out.push_back(blockReport(1, state_.blocks[1]));
        else
            out.push_back(Report::make(faults_.otherMsgId, 0, 0));
    }
    for (Report& r : answers) {
        if (faults_.wrongTag)
            r.setTag(~r.tag());
        if (faults_.wrongCnt)
            r.setCnt(static_cast<uint8_t>(r.cnt() + 1));
        out.push_back(r);
    }

    if (faults_.delayMs <= 0) {
        for (const Report& r : out)
            deliver(r);
        return;
    }
    // Late answers still go to the same appearance of the unit only.
    std::weak_ptr<UnitCore> weakSelf = weak_from_this();
    std::weak_ptr<HidrawLink> weakLink = link_;
    scheduler_->postAfter(std::chrono::milliseconds(faults_.delayMs), [weakSelf, weakLink, out] {
        auto self = weakSelf.lock();
        if (!self)
            return;
        std::lock_guard lock(self->mutex_);
        auto link = weakLink.lock();
        if (!link || link != self->link_)
            return;
        for (const Report& r : out)
            link->deliver(r);
    });
}

Report UnitCore::floodReport()
{
    if (!faults_.floodAnyMsgId) {
        const uint8_t code = kBlockCodes[rng_() % kBlockCodes.size()];
        return blockReport(code, state_.blocks[code]);
    }
    uint8_t id;
    do {
        id = static_cast<uint8_t>(rng_());
    } while (id == 0 || isAnswerId(id));
    Report r = Report::make(id, 0, static_cast<uint8_t>(rng_() % (kPayloadSize + 1)));
    for (std::size_t i = 0; i < kPayloadSize; ++i)
        r.payload()[i] = static_cast<uint8_t>(rng_());
    return r;
}

void UnitCore::setFaults(const Faults& faults)
{
    std::lock_guard lock(mutex_);
    faults_ = faults;
    yankCountdown_ = faults.unplugAfterReports;
    rng_.seed(faults.seed);
}

Faults UnitCore::faults() const
{
    std::lock_guard lock(mutex_);
    return faults_;
}

void UnitCore::setVersionWords(const VersionWords& words)
{
    std::lock_guard lock(mutex_);
    state_.version = words;
}

VersionWords UnitCore::versionWords() const
{
    std::lock_guard lock(mutex_);
    return state_.version;
}

void UnitCore::setStatus(uint8_t status)
{
    std::lock_guard lock(mutex_);
    state_.status = status;
}

std::array<uint32_t, 2> UnitCore::flashParams() const
{
    std::lock_guard lock(mutex_);
    return state_.flashParams;
}

uint16_t UnitCore::selectedChild() const
{
    std::lock_guard lock(mutex_);
    return state_.selectedChild;
}

void UnitCore::connectChild(const ChildConfig& child)
{
    std::lock_guard lock(mutex_);
    auto& kids = state_.children;
    auto it = std::find_if(kids.begin(), kids.end(), [&](const ChildConfig& c) { return c.childID == child.childID; });
    if (it != kids.end())
        *it = child;
    else
        kids.push_back(child);
    childPluggedIn(child);
    deliver(childConnectReport(child));
}

void UnitCore::disconnectChild(uint16_t childID)
{
    std::lock_guard lock(mutex_);
    auto& kids = state_.children;
    kids.erase(std::remove_if(kids.begin(), kids.end(), [&](const ChildConfig& c) { return c.childID == childID; }),
               kids.end());
    childUnplugged(childID);
    deliver(childDisconnectReport(childID));
}

std::vector<ChildConfig> UnitCore::children() const
{
    std::lock_guard lock(mutex_);
    return state_.children;
}

void UnitCore::setBlock(uint8_t code, std::vector<uint8_t> bytes)
{
    const std::size_t size = blockSize(code);
    if (size == 0)
        return;
    bytes.resize(size, 0);
    std::lock_guard lock(mutex_);
    state_.blocks[storageCode(code)] = std::move(bytes);
}

std::vector<uint8_t> UnitCore::block(uint8_t code) const
{
    if (blockSize(code) == 0)
        return {};
    std::lock_guard lock(mutex_);
    return state_.blocks.at(storageCode(code));
}

void UnitCore::pushBlock(uint8_t code)
{
    if (blockSize(code) == 0)
        return;
    std::lock_guard lock(mutex_);
    deliver(blockReport(code, state_.blocks.at(storageCode(code))));
}

void UnitCore::sendReport(const Report& report)
{
    std::lock_guard lock(mutex_);
    deliver(report);
}

void UnitCore::flood(int count)
{
    std::lock_guard lock(mutex_);
    for (int i = 0; i < count; ++i)
        deliver(floodReport());
}

std::vector<Report> UnitCore::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

std::size_t UnitCore::receivedCount() const
{
    std::lock_guard lock(mutex_);
    return received_.size();
}

void UnitCore::clearReceived()
{
    std::lock_guard lock(mutex_);
    received_.clear();
}

bool UnitCore::waitForReceived(const std::function<bool(const std::vector<Report>&)>& pred,
                               std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return pred(received_); });
}

bool UnitCore::plugged() const
{
    std::lock_guard lock(mutex_);
    return link_ != nullptr;
}

bool UnitCore::hostAttached() const
{
    std::lock_guard lock(mutex_);
    return attachedLocked();
}

bool UnitCore::waitForHostAttached(bool attached, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return attachedLocked() == attached; });
}

std::string UnitCore::sysfsPath() const
{
    std::lock_guard lock(mutex_);
    return link_ ? tree_.hidraw.syspath() : std::string();
}

std::string UnitCore::devnode() const
{
    std::lock_guard lock(mutex_);
    return link_ ? link_->devnode() : std::string();
}

std::string UnitCore::usbSysfsPath() const
{
    std::lock_guard lock(mutex_);
    return link_ ? tree_.usb.syspath() : std::string();
}

int UnitCore::plugCount() const
{
    std::lock_guard lock(mutex_);
    return plugCount_;
}

} // namespace zq40emu::detail

#include "boot_device.h"

#include <algorithm>
#include <climits>

#include "zq40emu/crc32.h"

namespace zq40emu::detail {
namespace {

int regionField(uint32_t index)
{
    return static_cast<int>(std::min<uint32_t>(index, INT_MAX));
}

bool inRange(int attempt, int first, int last)
{
    return attempt >= first && attempt <= last;
}

BootDevice::Outcome answer(Packet p)
{
    BootDevice::Outcome o;
    o.answer = std::move(p);
    return o;
}

BootDevice::Outcome refuse(uint8_t code)
{
    return answer(refusalPacket(code));
}

} // namespace

void BootDevice::replace(uint32_t model, FlashMemory flash)
{
    model_ = model;
    flash_ = std::move(flash);
    restart();
}

void BootDevice::setFaults(const BootFaults& faults)
{
    faults_ = faults;
    attempts_.clear();
    writes_ = 0;
    tunnelPackets_ = 0;
    silenced_ = false;
}

bool BootDevice::tunnelPacketArrives()
{
    ++tunnelPackets_;
    return faults_.unplugAfterTunnelPackets > 0 && tunnelPackets_ == faults_.unplugAfterTunnelPackets;
}

void BootDevice::restart()
{
    writing_.reset();
    begun_.clear();
    packetNumber_ = 0;
    silenced_ = false;
}

std::optional<uint32_t> BootDevice::begunVersion(std::size_t region) const
{
    auto it = begun_.find(region);
    if (it == begun_.end())
        return std::nullopt;
    return it->second;
}

BootDevice::Outcome BootDevice::handle(const Packet& p)
{
    if (p.empty())
        return {};
    BootPacket rec;
    rec.kind = p[0];
    rec.ackRequested = p[0] != boot::kWriteNoAck;
    rec.bytes = p;

    const bool wellFormed = describe(p, rec);

    packetNumber_ = p[0] == boot::kHello ? 1 : packetNumber_ + 1;
    if (faults_.silentFromPacket > 0 && packetNumber_ >= faults_.silentFromPacket)
        silenced_ = true;
    if (silenced_) {
        record_.push_back(std::move(rec));
        return {};
    }
    if (rec.kind == boot::kWrite || rec.kind == boot::kWriteNoAck)
        ++writes_;

    Outcome out;
    if (!wellFormed) {
        out = refuse(boot::kErrPacket);
    } else {
        const int attempt = ++attempts_[{rec.kind, rec.region}];
        if (std::optional<uint8_t> code = injectedRefusal(rec, attempt))
            out = refuse(*code);
        else if (rec.kind == boot::kEndRegion)
            out = endRegion(rec, attempt);
        else
            out = execute(p, rec);
    }
    if (!rec.ackRequested)
        out.answer.clear(); // unacknowledged writes never answer, not even a refusal

    if (!out.answer.empty()) {
        rec.answer = out.answer[0];
        if (rec.answer == boot::kRefusal)
            rec.error = out.answer[1];
    }
    record_.push_back(std::move(rec));
    return out;
}

// Fills in what the packet is about; false when it is too short or unknown.
bool BootDevice::describe(const Packet& p, BootPacket& rec) const
{
    const std::size_t min = minimumLength(rec.kind);
    if (min == 0 || p.size() < min)
        return false;
    switch (rec.kind) {
    case boot::kSelectRegion:
    case boot::kEndRegion:
        rec.region = regionField(packetWord(p, 1));
        return true;
    case boot::kBeginRegion:
        rec.region = regionField(packetWord(p, 5));
        return true;
    case boot::kWrite:
    case boot::kWriteNoAck:
        rec.region = writing_ ? static_cast<int>(writing_->region) : -1;
        rec.address = packetWord(p, 1);
        rec.length = p[5];
        return rec.length <= boot::kMaxWriteData && p.size() >= 6u + rec.length;
    default:
        return true;
    }
}

std::optional<uint8_t> BootDevice::injectedRefusal(const BootPacket& rec, int attempt) const
{
    for (const BootRefusal& r : faults_.refusals) {
        if (r.packet != 0 && r.packet != rec.kind)
            continue;
        if (r.region != -1 && r.region != rec.region)
            continue;
        if (inRange(attempt, r.firstAttempt, r.lastAttempt))
            return r.code;
    }
    return std::nullopt;
}

bool BootDevice::endCrcCorrupted(int region, int attempt) const
{
    return std::any_of(faults_.wrongEndCrc.begin(), faults_.wrongEndCrc.end(), [&](const BootAttempts& a) {
        return (a.region == -1 || a.region == region) && inRange(attempt, a.firstAttempt, a.lastAttempt);
    });
}

BootDevice::Outcome BootDevice::execute(const Packet& p, const BootPacket& rec)
{
    switch (rec.kind) {
    case boot::kHello:
        return answer(helloReply());
    case boot::kFinish: {
        Outcome o;
        o.finished = true;
        return o;
    }
    case boot::kGetInfo:
        return answer(deviceInfoPacket(static_cast<uint8_t>(flash_.regionCount())));
    case boot::kSelectRegion: {
        const uint32_t index = packetWord(p, 1);
        if (!flash_.has(index))
            return refuse(boot::kErrRegion);
        const FlashRegion r = flash_.layout(index);
        return answer(regionInfoPacket(model_, index, r.version, r.base, r.length, flash_.crc(index)));
    }
    case boot::kBeginRegion:
        return beginRegion(p);
    case boot::kWrite:
    case boot::kWriteNoAck:
        return write(p, rec);
    default:
        return refuse(boot::kErrPacket);
    }
}

BootDevice::Outcome BootDevice::beginRegion(const Packet& p)
{
    if (packetWord(p, 1) != model_)
        return refuse(boot::kErrModel);
    const uint32_t index = packetWord(p, 5);
    if (!flash_.has(index))
        return refuse(boot::kErrRegion);
    const FlashRegion r = flash_.layout(index);
    if (packetWord(p, 13) != r.base)
        return refuse(boot::kErrAddress);
    if (packetWord(p, 17) != r.length)
        return refuse(boot::kErrLength);
    flash_.erase(index);
    writing_ = Writing{index, packetWord(p, 9), packetWord(p, 21)};
    begun_[index] = writing_->version;
    return answer(ackPacket(0));
}

BootDevice::Outcome BootDevice::write(const Packet& p, const BootPacket& rec)
{
    if (!writing_)
        return refuse(boot::kErrAddress);
    const FlashRegion r = flash_.layout(writing_->region);
    const uint64_t end = static_cast<uint64_t>(rec.address) + rec.length;
    if (rec.address < r.base || end > static_cast<uint64_t>(r.base) + r.length)
        return refuse(boot::kErrAddress);

    Packet data(p.begin() + 6, p.begin() + 6 + rec.length);
    const auto& corrupt = faults_.corruptWrites;
    if (!data.empty() && std::find(corrupt.begin(), corrupt.end(), writes_) != corrupt.end())
        data[data.size() / 2] ^= 0xFF;
    flash_.program(writing_->region, rec.address, data.data(), data.size());
    return answer(ackPacket(crc32(data)));
}

BootDevice::Outcome BootDevice::endRegion(const BootPacket& rec, int attempt)
{
    const auto index = static_cast<std::size_t>(rec.region);
    if (rec.region < 0 || !flash_.has(index))
        return refuse(boot::kErrRegion);
    uint32_t crc = flash_.crc(index);
    if (writing_ && writing_->region == index) {
        // a region that does not check out keeps the version it had
        if (crc == writing_->crc)
            flash_.setVersion(index, writing_->version);
        writing_.reset();
    }
    if (endCrcCorrupted(rec.region, attempt))
        crc = ~crc;
    return answer(ackPacket(crc));
}

} // namespace zq40emu::detail

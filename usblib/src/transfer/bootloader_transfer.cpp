#include "bootloader_transfer.h"

#include "byte_order.h"
#include "crc32.h"

#include <algorithm>
#include <cstring>

namespace transfer {

namespace {

// Host packets.
constexpr uint8_t kHello = 0xC0;
constexpr uint8_t kFinish = 0xC1;
constexpr uint8_t kGetInfo = 0xC2;
constexpr uint8_t kSelectRegion = 0xC4;
constexpr uint8_t kBeginRegion = 0xC5;
constexpr uint8_t kAcknowledgedWrite = 0xC6;
constexpr uint8_t kUnacknowledgedWrite = 0xC7;
constexpr uint8_t kEndRegion = 0xC8;

// Device packets.
constexpr uint8_t kHelloReply = 0x80;
constexpr uint8_t kAcknowledge = 0x81;
constexpr uint8_t kRefusal = 0x82;
constexpr uint8_t kRegionInfo = 0x83;
constexpr uint8_t kDeviceInfo = 0x84;

constexpr uint32_t kChunkSize = 52;
constexpr uint32_t kUnacknowledgedPerBurst = 31;
constexpr uint32_t kMaxRetries = 3;
constexpr uint32_t kProgressIntervalMs = 250;
constexpr uint32_t kSilenceLimitMs = 3000;

// Outcome codes.
constexpr int kSuccess = 0;
constexpr int kTimeout = 1;
constexpr int kFileCrcFailure = 16;
constexpr int kInvalidFileFormat = 17;
constexpr int kNoRegionsFound = 18;
constexpr int kInvalidRegion = 32;
constexpr int kInvalidCommand = 80;
constexpr int kRegionCrcMismatch = 85;
constexpr int kWriteCrcFailure = 88;

} // namespace

BootloaderTransfer::BootloaderTransfer(Tunnel& tunnel, const uint8_t* container, size_t length,
                                       ProgressCallback progress, bool force)
    : tunnel_(tunnel)
    , container_(container)
    , length_(length)
    , progress_(progress)
    , force_(force)
{
}

bool BootloaderTransfer::run()
{
    state_ = ended;
    result_ = true;
    deviceRegions_ = 0;
    regionIndex_ = 0;
    model_.reset();
    region_.reset();
    sectionIndex_ = offset_ = chunkCrc_ = writeCounter_ = retries_ = 0;
    retrying_ = false;
    regionsToWrite_ = regionsMatched_ = 0;
    lastProgress_.reset();
    progressTick_ = responseTick_ = tunnel_.tick();

    if (!sendCode(kHello))
        return false;
    state_ = helloSent;
    reportProgress();

    for (;;) {
        Packet packet{};
        if (tunnel_.receive(packet)) {
            handle(packet);
            responseTick_ = tunnel_.tick();
        }
        const uint32_t now = tunnel_.tick();
        if (now - progressTick_ > kProgressIntervalMs) {
            reportProgress();
            progressTick_ = now;
        }
        if (now - responseTick_ > kSilenceLimitMs) {
            finish(kTimeout);
            return false;
        }
        if (state_ == finishSent) {
            state_ = ended;
            if (regionsMatched_ != 0) {
                if (progress_)
                    progress_(100, kSuccess);
                result_ = true;
            } else {
                if (progress_)
                    progress_(100, kNoRegionsFound);
                result_ = false;
            }
        }
        if (state_ == ended)
            return result_;
    }
}

void BootloaderTransfer::handle(const Packet& p)
{
    switch (p[0]) {
    case kHelloReply:
        if (state_ == helloSent) {
            state_ = infoSent;
            sendCode(kGetInfo);
        }
        break;
    case kDeviceInfo:
        if (state_ == infoSent)
            onDeviceInfo(p);
        break;
    case kRegionInfo:
        if (state_ == selectSent)
            onRegionInfo(p);
        break;
    case kAcknowledge:
        if (state_ == beginSent || state_ == writing || state_ == endSent)
            onAcknowledge(byte_order::readLe32(&p[1]));
        break;
    case kRefusal: {
        // A refusal must never end as a success, whatever code it carries.
        const int code = p[1] != kSuccess ? p[1] : kInvalidCommand;
        // Before the device has said how many regions it has there is no
        // region to restart: going on would write some and call it done.
        if (state_ == helloSent || state_ == infoSent)
            finish(code);
        else
            restartRegion(code);
        break;
    }
    default:
        break;
    }
}

void BootloaderTransfer::onDeviceInfo(const Packet& p)
{
    deviceRegions_ = p[1];
    if (deviceRegions_ == 0) {
        finish(kSuccess);
        return;
    }
    model_.reset();
    regionsToWrite_ = 0;
    regionsMatched_ = 0;
    regionIndex_ = -1;
    nextRegion();
}

void BootloaderTransfer::onRegionInfo(const Packet& p)
{
    const uint32_t model = byte_order::readLe32(&p[1]);
    const uint32_t index = byte_order::readLe32(&p[5]);
    if (int64_t(index) != regionIndex_) {
        finish(kInvalidRegion);
        return;
    }
    if (!model_) {
        model_ = model;
        if (regionsToWrite_ == 0)
            regionsToWrite_ = std::min(obin::countRegions(container_, length_, model), deviceRegions_);
        regionsMatched_ = 0;
    }
    decideRegion(model, index, &p[9], byte_order::readLe32(&p[21]));
}

void BootloaderTransfer::onAcknowledge(uint32_t word)
{
    switch (state_) {
    case writing:
        if (word == chunkCrc_)
            sendChunks();
        else
            restartRegion(kWriteCrcFailure);
        break;
    case beginSent:
        sectionIndex_ = 0;
        if (prepareSection())
            sendChunks();
        break;
    case endSent:
        if (!region_)
            break;
        if (word == region_->regionCrc())
            nextRegion();
        else
            restartRegion(kRegionCrcMismatch);
        break;
    default:
        break;
    }
}

void BootloaderTransfer::nextRegion()
{
    for (;;) {
        ++regionIndex_;
        sectionIndex_ = offset_ = retries_ = 0;
        retrying_ = false;
        reportProgress();
        // At or past the last region: a refusal before the device info can
        // leave the index beyond a count of 0, and must not walk forever.
        if (regionIndex_ >= int64_t(deviceRegions_)) {
            state_ = finishSent;
            sendCode(kFinish);
            return;
        }
        if (model_) {
            // A region the device has but the container lacks is skipped
            // without a word to the device.
            auto found = obin::findRegion(container_, length_, *model_, uint32_t(regionIndex_));
            if (!found)
                continue;
            region_ = found;
            ++regionsMatched_;
        }
        state_ = selectSent;
        sendWithIndex(kSelectRegion, uint32_t(regionIndex_));
        return;
    }
}

void BootloaderTransfer::decideRegion(uint32_t model, uint32_t index, const uint8_t* version, uint32_t regionCrc)
{
    sectionIndex_ = 0;
    offset_ = 0;
    writeCounter_ = 0;
    if (!region_) {
        region_ = obin::findRegion(container_, length_, model, index);
        if (!region_) {
            nextRegion();
            return;
        }
        ++regionsMatched_;
    }
    if (model_ == model && regionIndex_ == int64_t(index)) {
        const bool current = std::memcmp(version, region_->headerBytes() + obin::kVersionOffset, 4) == 0 &&
            regionCrc == region_->regionCrc();
        if (!retrying_ && !force_ && current) {
            nextRegion();
            return;
        }
        state_ = beginSent;
        uint8_t packet[25];
        packet[0] = kBeginRegion;
        std::memcpy(packet + 1, region_->headerBytes() + obin::kModelOffset, 24); // six header words as stored
        send(packet, sizeof packet);
        return;
    }
    nextRegion();
}

bool BootloaderTransfer::prepareSection()
{
    offset_ = 0;
    chunkCrc_ = 0;
    if (sectionIndex_ >= region_->sectionCount())
        return true; // an empty region: nothing to write but its end
    section_ = region_->section(sectionIndex_);
    if (obin::crc32(region_->sectionData(section_), section_.length) != section_.crc) {
        finish(kFileCrcFailure);
        return false;
    }
    return true;
}

void BootloaderTransfer::sendChunks()
{
    while (state_ != ended && sendNextChunk()) { }
}

bool BootloaderTransfer::sendNextChunk()
{
    for (;;) {
        if (sectionIndex_ >= region_->sectionCount()) {
            state_ = endSent;
            sendWithIndex(kEndRegion, uint32_t(regionIndex_));
            return false;
        }
        // The section must lie in its region (its start may touch the end).
        const uint64_t base = region_->baseAddress();
        const uint64_t regionLength = region_->regionLength();
        if (section_.length > regionLength || section_.address < base || section_.address > base + regionLength) {
            finish(kInvalidFileFormat);
            return false;
        }
        if (offset_ < section_.length) {
            const uint32_t n = std::min(section_.length - offset_, kChunkSize);
            const uint8_t* data = region_->sectionData(section_) + offset_;
            uint8_t packet[6 + kChunkSize];
            const bool acknowledged = writeCounter_ >= kUnacknowledgedPerBurst;
            packet[0] = acknowledged ? kAcknowledgedWrite : kUnacknowledgedWrite;
            byte_order::writeLe32(packet + 1, section_.address + offset_);
            packet[5] = uint8_t(n);
            std::memcpy(packet + 6, data, n);
            chunkCrc_ = obin::crc32(data, n);
            state_ = writing;
            writeCounter_ = acknowledged ? 0 : writeCounter_ + 1;
            send(packet, n + 6);
            offset_ += n;
            return !acknowledged;
        }
        // The section is done.
        ++sectionIndex_;
        offset_ = 0;
        chunkCrc_ = 0;
        if (sectionIndex_ < region_->sectionCount() && !prepareSection())
            return false;
    }
}

void BootloaderTransfer::restartRegion(int code)
{
    retrying_ = true;
    ++retries_;
    if (retries_ <= kMaxRetries) {
        state_ = selectSent;
        sendWithIndex(kSelectRegion, uint32_t(regionIndex_));
    } else {
        finish(code);
    }
}

void BootloaderTransfer::reportProgress()
{
    if (!progress_)
        return;
    uint8_t p = 0;
    // Past the last section, while the end of the region is acknowledged,
    // the value stays: falling back to 0 there would run the bar backwards.
    if (region_ && sectionIndex_ >= region_->sectionCount() && region_->sectionCount() > 0 && lastProgress_)
        return;
    if (region_ && sectionIndex_ < region_->sectionCount()) {
        const uint64_t sectionLength = section_.length;
        const uint64_t sections = region_->sectionCount();
        if (offset_ == 0 || sectionLength == 0)
            return; // stays at the last value
        if (regionsToWrite_ != 0 && regionsMatched_ != 0) {
            const uint64_t within = (uint64_t(sectionIndex_) + 1) * offset_ * 100 / (sectionLength * sections);
            const uint64_t value = (within + (uint64_t(regionsMatched_) - 1) * 100) / regionsToWrite_;
            p = uint8_t(std::min<uint64_t>(value, 99));
        }
    }
    if (lastProgress_ && *lastProgress_ == p)
        return;
    lastProgress_ = p;
    progress_(p, kSuccess);
}

void BootloaderTransfer::finish(int code)
{
    if (progress_)
        progress_(100, code);
    // An error must not pass for success: the result follows the outcome.
    result_ = code == kSuccess;
    state_ = ended;
}

bool BootloaderTransfer::send(const uint8_t* packet, size_t length)
{
    return tunnel_.send(packet, length);
}

bool BootloaderTransfer::sendCode(uint8_t code)
{
    return send(&code, 1);
}

bool BootloaderTransfer::sendWithIndex(uint8_t code, uint32_t index)
{
    uint8_t packet[5] = {code};
    byte_order::writeLe32(packet + 1, index);
    return send(packet, sizeof packet);
}

} // namespace transfer

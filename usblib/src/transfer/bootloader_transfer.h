// The host side of a firmware transfer with a device bootloader: it walks the
// device's regions, skips those already holding the container's contents,
// and writes the others in 52-byte chunks, one acknowledged in every 32.
#pragma once

#include "tunnel.h"

#include "container.h"

#include <cstdint>
#include <optional>

namespace transfer {

using ProgressCallback = void (*)(uint8_t progress, int code);

class BootloaderTransfer {
public:
    // `container` must be validated and converted already.
    BootloaderTransfer(Tunnel& tunnel, const uint8_t* container, size_t length, ProgressCallback progress, bool force);

    // True when the transfer ended with the outcome 0 (its final progress
    // report); false when the hello cannot be sent, no region of the
    // container matched the device, or an error ended it.
    bool run();

private:
    enum State : int { ended = 0, helloSent, infoSent, selectSent, beginSent, writing, endSent, finishSent };

    void handle(const Packet& packet);
    void onDeviceInfo(const Packet& packet);
    void onRegionInfo(const Packet& packet);
    void onAcknowledge(uint32_t word);
    void nextRegion();
    void decideRegion(uint32_t model, uint32_t regionIndex, const uint8_t* version, uint32_t regionCrc);
    bool prepareSection();
    void sendChunks();
    bool sendNextChunk(); // true when the chunk sent was unacknowledged
    void restartRegion(int code);
    void reportProgress();
    void finish(int code);

    bool send(const uint8_t* packet, size_t length);
    bool sendCode(uint8_t code);
    bool sendWithIndex(uint8_t code, uint32_t index);

    Tunnel& tunnel_;
    const uint8_t* container_;
    size_t length_;
    ProgressCallback progress_;
    bool force_;

    State state_ = ended;
    bool result_ = true;
    uint32_t deviceRegions_ = 0;
    int64_t regionIndex_ = 0;
    std::optional<uint32_t> model_;
    std::optional<obin::Block> region_;
    uint32_t sectionIndex_ = 0;
    uint32_t offset_ = 0;
    obin::Section section_{};
    uint32_t chunkCrc_ = 0;
    uint32_t writeCounter_ = 0;
    uint32_t retries_ = 0;
    bool retrying_ = false;
    uint32_t regionsToWrite_ = 0;
    uint32_t regionsMatched_ = 0;
    std::optional<uint8_t> lastProgress_;
    uint32_t progressTick_ = 0;
    uint32_t responseTick_ = 0;
};

} // namespace transfer

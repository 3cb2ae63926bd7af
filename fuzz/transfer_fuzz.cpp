// Any bytes as a bootloader's replies: the first bytes build a small valid
// container, the rest is cut into device packets that answer the host's
// packets one by one. The transfer must end, never read outside the
// container and always end with one final progress report.
#include "bootloader_transfer.h"
#include "container.h"
#include "writer.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class FuzzedDevice final : public transfer::Tunnel {
public:
    FuzzedDevice(const uint8_t* data, size_t size)
        : data_(data)
        , size_(size)
    {
    }

    bool send(const uint8_t*, size_t length) override
    {
        if (length == 0 || length > transfer::kPacketSize)
            std::abort(); // the host never builds such a packet
        return true;
    }

    bool receive(transfer::Packet& packet) override
    {
        // One byte decides between a packet and a silent read.
        if (pos_ >= size_) {
            now_ += 4000;
            return false;
        }
        const uint8_t control = data_[pos_++];
        if (control & 0x80) {
            now_ += 4000;
            return false;
        }
        packet.fill(0);
        const size_t n = std::min<size_t>(control % 26 + 1, size_ - pos_);
        std::memcpy(packet.data(), data_ + pos_, n);
        pos_ += n;
        now_ += control & 0x40 ? 300 : 1;
        return true;
    }

    uint32_t tick() override { return now_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    uint32_t now_ = 0;
};

int finalReports = 0;
void onProgress(uint8_t progress, int code)
{
    // Errors come only with 100; running reports stay below it.
    if (progress > 100 || (code != 0 && progress != 100))
        std::abort();
    if (progress == 100)
        ++finalReports;
}

std::vector<uint8_t> makeContainer(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> out;
    const uint8_t regions = size > 0 ? data[0] % 3 + 1 : 1;
    for (uint32_t i = 0; i < regions; ++i) {
        obin::RegionImage r;
        r.model = size > 1 && (data[1] & 1) ? 202 : 200;
        r.regionIndex = i;
        r.version = 0x01000000u + i;
        r.baseAddress = 0x1000u * (i + 1);
        r.regionLength = 0x400;
        const size_t sectionLength = size > 2 ? (data[2] * (i + 1)) % 0x180 : 70;
        r.sections.push_back({r.baseAddress, std::vector<uint8_t>(sectionLength, uint8_t(i + 1))});
        auto block = obin::buildBlock(r);
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> image = makeContainer(data, size);
    if (!obin::validateAndConvert(image.data(), image.size()))
        std::abort();
    const size_t header = std::min<size_t>(size, 3);
    FuzzedDevice device(data + header, size - header);
    finalReports = 0;
    transfer::BootloaderTransfer t(device, image.data(), image.size(), onProgress, size > 3 && (data[3] & 1));
    t.run();
    if (finalReports != 1)
        std::abort(); // an ended transfer reports its outcome exactly once
    return 0;
}

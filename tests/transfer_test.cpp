// The bootloader transfer against a scripted bootloader on an in-memory
// tunnel: the packet sequence, chunking, skipping, retries and outcomes.
#include "bootloader_transfer.h"
#include "container.h"
#include "crc32.h"
#include "writer.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <vector>

namespace {

uint32_t le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

struct SentPacket {
    uint8_t code;
    uint32_t word;   // region index or write address
    uint8_t n = 0;   // write length
};

// A bootloader with real memory per region, driven synchronously: every
// packet the host sends is answered at once into a queue.
class ScriptedBootloader : public transfer::Tunnel {
public:
    struct Region {
        uint32_t base, length, version;
        std::vector<uint8_t> memory;
    };

    ScriptedBootloader(uint32_t model, std::vector<Region> regions) : model_(model), regions_(std::move(regions)) {}

    // Refuse begin-region of `region` this many times with `code`.
    void refuseBegin(uint32_t region, int times, uint8_t code) { refusals_[region] = {times, code}; }
    void reportWrongRegionIndex() { wrongIndex_ = true; }
    void corruptWriteAck() { corruptAck_ = true; }

    bool send(const uint8_t* p, size_t n) override
    {
        sent.push_back({p[0], n >= 5 ? le32(p + 1) : 0, n >= 6 ? p[5] : uint8_t(0)});
        switch (p[0]) {
        case 0xC0: reply({0x80}); break;
        case 0xC2: reply({0x84, uint8_t(regions_.size())}); break;
        case 0xC4: {
            uint32_t i = le32(p + 1);
            const Region& r = regions_.at(i);
            transfer::Packet info{};
            info[0] = 0x83;
            put32(&info[1], model_);
            put32(&info[5], wrongIndex_ ? i + 1 : i);
            put32(&info[9], r.version);
            put32(&info[21], obin::crc32(r.memory.data(), r.memory.size()));
            queue_.push_back(info);
            break;
        }
        case 0xC5: {
            uint32_t i = le32(p + 5);
            auto refusal = refusals_.find(i);
            if (refusal != refusals_.end() && refusal->second.first > 0) {
                --refusal->second.first;
                reply({0x82, refusal->second.second});
                break;
            }
            current_ = i;
            regions_[i].memory.assign(regions_[i].length, 0xFF);
            pendingVersion_ = le32(p + 9);
            reply({0x81});
            break;
        }
        case 0xC6:
        case 0xC7: {
            Region& r = regions_[current_];
            uint32_t address = le32(p + 1);
            uint8_t count = p[5];
            std::copy(p + 6, p + 6 + count, r.memory.begin() + (address - r.base));
            if (p[0] == 0xC6) {
                transfer::Packet ack{0x81};
                put32(&ack[1], obin::crc32(p + 6, count) ^ (corruptAck_ ? 1u : 0u));
                queue_.push_back(ack);
            }
            break;
        }
        case 0xC8: {
            Region& r = regions_[current_];
            r.version = pendingVersion_;
            transfer::Packet ack{0x81};
            put32(&ack[1], obin::crc32(r.memory.data(), r.memory.size()));
            queue_.push_back(ack);
            break;
        }
        default: break; // finish: the device restarts
        }
        return true;
    }

    bool receive(transfer::Packet& packet) override
    {
        if (queue_.empty()) {
            now_ += 4000; // a read that waits out its time limit
            return false;
        }
        packet = queue_.front();
        queue_.pop_front();
        now_ += 1;
        return true;
    }

    uint32_t tick() override { return now_; }

    std::vector<SentPacket> sent;
    std::vector<Region>& regions() { return regions_; }

private:
    void reply(std::initializer_list<uint8_t> bytes)
    {
        transfer::Packet p{};
        std::copy(bytes.begin(), bytes.end(), p.begin());
        queue_.push_back(p);
    }

    uint32_t model_;
    std::vector<Region> regions_;
    std::map<uint32_t, std::pair<int, uint8_t>> refusals_;
    std::deque<transfer::Packet> queue_;
    uint32_t current_ = 0;
    uint32_t pendingVersion_ = 0;
    uint32_t now_ = 1000;
    bool wrongIndex_ = false;
    bool corruptAck_ = false;
};

std::vector<std::pair<int, int>> progressCalls;
void recordProgress(uint8_t p, int code) { progressCalls.emplace_back(p, code); }

std::vector<uint8_t> bytes(size_t n, uint8_t seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(seed + i * 31);
    return v;
}

// A container of model 200 with two regions whose sections have the given sizes.
std::vector<uint8_t> container(std::vector<size_t> sectionSizes, uint32_t model = 200)
{
    std::vector<uint8_t> out;
    for (uint32_t i = 0; i < sectionSizes.size(); ++i) {
        obin::RegionImage r;
        r.model = model;
        r.regionIndex = i;
        r.version = 0x01000000 + i;
        r.baseAddress = 0x1000 * (i + 1);
        r.regionLength = 0x1000;
        r.sections.push_back({r.baseAddress, bytes(sectionSizes[i], uint8_t(i))});
        auto block = obin::buildBlock(r);
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

std::vector<ScriptedBootloader::Region> deviceRegions(size_t count)
{
    std::vector<ScriptedBootloader::Region> regions;
    for (uint32_t i = 0; i < count; ++i)
        regions.push_back({0x1000 * (i + 1), 0x1000, 0x00000001, std::vector<uint8_t>(0x1000, 0xAA)});
    return regions;
}

struct Run {
    bool result;
    std::vector<SentPacket> sent;
    std::vector<std::pair<int, int>> progress;
};

Run runTransfer(ScriptedBootloader& device, std::vector<uint8_t> image, bool force = false)
{
    EXPECT_TRUE(obin::validateAndConvert(image.data(), image.size()));
    progressCalls.clear();
    transfer::BootloaderTransfer t(device, image.data(), image.size(), recordProgress, force);
    bool result = t.run();
    return {result, device.sent, progressCalls};
}

std::vector<uint8_t> codes(const std::vector<SentPacket>& sent)
{
    std::vector<uint8_t> c;
    for (const auto& p : sent)
        c.push_back(p.code);
    return c;
}

TEST(Transfer, WritesEveryRegionAndTheDeviceThenHoldsTheContainer)
{
    auto image = container({700, 100});
    ScriptedBootloader device(200, deviceRegions(2));
    auto run = runTransfer(device, image);
    EXPECT_TRUE(run.result);
    ASSERT_FALSE(run.progress.empty());
    EXPECT_EQ(run.progress.back(), (std::pair<int, int>(100, 0)));
    for (uint32_t i = 0; i < 2; ++i) {
        auto block = obin::findRegion(image.data(), image.size(), 200, i);
        ASSERT_TRUE(block);
        const auto& memory = device.regions()[i].memory;
        EXPECT_EQ(obin::crc32(memory.data(), memory.size()), block->regionCrc());
        EXPECT_EQ(device.regions()[i].version, block->version());
    }
    // Progress only rises, and never reports 100 before the end.
    for (size_t i = 1; i + 1 < run.progress.size(); ++i) {
        EXPECT_GE(run.progress[i].first, run.progress[i - 1].first);
        EXPECT_LT(run.progress[i].first, 100);
    }
}

// Reports progress at every received packet: a slow device.
struct SlowClockBootloader : ScriptedBootloader {
    using ScriptedBootloader::ScriptedBootloader;
    uint32_t tick() override { return ScriptedBootloader::tick() * 300; }
};

TEST(Transfer, ProgressNeverRunsBackwards)
{
    SlowClockBootloader device(200, deviceRegions(2));
    auto run = runTransfer(device, container({52 * 70, 52 * 70}));
    EXPECT_TRUE(run.result);
    ASSERT_GT(run.progress.size(), 4u);
    for (size_t i = 1; i < run.progress.size(); ++i)
        EXPECT_GE(run.progress[i].first, run.progress[i - 1].first) << "report " << i;
}

TEST(Transfer, CurrentDeviceGetsOnlyHelloInfoSelectsAndFinish)
{
    auto image = container({700, 100});
    ScriptedBootloader device(200, deviceRegions(2));
    runTransfer(device, image);
    device.sent.clear();
    auto again = runTransfer(device, image);
    EXPECT_TRUE(again.result);
    EXPECT_EQ(codes(again.sent), (std::vector<uint8_t>{0xC0, 0xC2, 0xC4, 0xC4, 0xC1}));
    EXPECT_EQ(again.progress.back(), (std::pair<int, int>(100, 0)));

    device.sent.clear();
    auto forced = runTransfer(device, image, true);
    size_t begins = 0;
    for (auto c : codes(forced.sent))
        begins += c == 0xC5;
    EXPECT_EQ(begins, 2u);
}

TEST(Transfer, ChunksAre52BytesAndEvery32ndIsAcknowledged)
{
    // 70 bytes: one chunk of 52 and one of 18, both unacknowledged.
    ScriptedBootloader small(200, deviceRegions(1));
    auto run = runTransfer(small, container({70}));
    std::vector<SentPacket> writes;
    for (const auto& p : run.sent)
        if (p.code == 0xC6 || p.code == 0xC7)
            writes.push_back(p);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].code, 0xC7);
    EXPECT_EQ(writes[0].n, 52);
    EXPECT_EQ(writes[0].word, 0x1000u);
    EXPECT_EQ(writes[1].code, 0xC7);
    EXPECT_EQ(writes[1].n, 18);
    EXPECT_EQ(writes[1].word, 0x1000u + 52);
    EXPECT_EQ(run.sent[run.sent.size() - 2].code, 0xC8); // end region follows

    ScriptedBootloader big(200, deviceRegions(1));
    run = runTransfer(big, container({52 * 40}));
    writes.clear();
    for (const auto& p : run.sent)
        if (p.code == 0xC6 || p.code == 0xC7)
            writes.push_back(p);
    ASSERT_EQ(writes.size(), 40u);
    for (size_t i = 0; i < writes.size(); ++i)
        EXPECT_EQ(writes[i].code, i == 31 ? 0xC6 : 0xC7) << "chunk " << i + 1;
}

TEST(Transfer, RefusalsRestartTheRegionAtMostThreeTimes)
{
    ScriptedBootloader once(200, deviceRegions(2));
    once.refuseBegin(1, 1, 83);
    auto run = runTransfer(once, container({100, 100}));
    EXPECT_TRUE(run.result);
    EXPECT_EQ(run.progress.back(), (std::pair<int, int>(100, 0)));

    ScriptedBootloader always(200, deviceRegions(2));
    always.refuseBegin(1, 4, 83);
    run = runTransfer(always, container({100, 100}));
    EXPECT_FALSE(run.result); // an error never passes for success
    EXPECT_EQ(run.progress.back(), (std::pair<int, int>(100, 83)));
    EXPECT_NE(codes(run.sent).back(), 0xC1); // no finish
}

TEST(Transfer, DeviceErrorsEndWithTheirCode)
{
    ScriptedBootloader wrongIndex(200, deviceRegions(2));
    wrongIndex.reportWrongRegionIndex();
    auto run = runTransfer(wrongIndex, container({100, 100}));
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.progress.back(), (std::pair<int, int>(100, 32)));

    ScriptedBootloader badAck(200, deviceRegions(1));
    badAck.corruptWriteAck();
    run = runTransfer(badAck, container({52 * 40}));
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.progress.back(), (std::pair<int, int>(100, 88)));

    ScriptedBootloader otherModel(202, deviceRegions(2));
    run = runTransfer(otherModel, container({100, 100}));
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.progress.back(), (std::pair<int, int>(100, 18)));
}

TEST(Transfer, RegionTheContainerLacksIsSkippedSilently)
{
    ScriptedBootloader device(200, deviceRegions(3)); // the container has regions 0 and 1 only
    auto run = runTransfer(device, container({100, 100}));
    EXPECT_TRUE(run.result);
    for (const auto& p : run.sent) {
        if (p.code == 0xC4) {
            EXPECT_NE(p.word, 2u);
        }
    }
}

TEST(Transfer, SectionWhoseDataFailsItsCrcIsNotSent)
{
    auto image = container({100});
    image[84 + 10] ^= 0xFF; // the section's data, after the header and its one table entry
    ScriptedBootloader device(200, deviceRegions(1));
    auto run = runTransfer(device, image);
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.progress.back(), (std::pair<int, int>(100, 16)));
    for (auto c : codes(run.sent))
        EXPECT_NE(c, 0xC7);
}

// Answers each host packet with the next canned packet.
struct CannedDevice final : transfer::Tunnel {
    std::deque<transfer::Packet> answers;
    uint32_t now = 0;
    size_t sent = 0;
    bool send(const uint8_t*, size_t) override { ++sent; return true; }
    bool receive(transfer::Packet& p) override
    {
        now += 1;
        if (answers.empty()) {
            now += 4000;
            return false;
        }
        p = answers.front();
        answers.pop_front();
        return true;
    }
    uint32_t tick() override { return now; }
};

TEST(Transfer, RefusalBeforeTheDeviceInfoEnds)
{
    // A refusal restarts "the region" before the device has said how many
    // it has; a region info for an unknown model then walks on to the end.
    CannedDevice device;
    device.answers.push_back({0x82, 83});
    transfer::Packet info{0x83};
    put32(&info[1], 999);
    device.answers.push_back(info);
    auto image = container({100});
    progressCalls.clear();
    transfer::BootloaderTransfer t(device, image.data(), image.size(), recordProgress, false);
    EXPECT_FALSE(t.run());
    EXPECT_EQ(progressCalls.back(), (std::pair<int, int>(100, 18)));
    EXPECT_LT(device.sent, 10u);
}

TEST(Transfer, SilentDeviceTimesOut)
{
    struct Silent final : transfer::Tunnel {
        uint32_t now = 0;
        bool send(const uint8_t*, size_t) override { return true; }
        bool receive(transfer::Packet&) override { now += 4000; return false; }
        uint32_t tick() override { return now; }
    } silent;
    auto image = container({100});
    progressCalls.clear();
    transfer::BootloaderTransfer t(silent, image.data(), image.size(), recordProgress, false);
    EXPECT_FALSE(t.run());
    EXPECT_EQ(progressCalls.back(), (std::pair<int, int>(100, 1)));
}

} // namespace

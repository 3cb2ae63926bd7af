// The bootloader transfer against a scripted bootloader on an in-memory
// tunnel: the packet sequence, chunking, skipping, retries and outcomes.
#include "bootloader_transfer.h"
#include "container.h"
#include "crc32.h"
#include "writer.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
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
    uint32_t word; // region index or write address
    uint8_t n = 0; // write length
};

// A bootloader with real memory per region, driven synchronously: every
// packet the host sends is answered at once into a queue.
class ScriptedBootloader : public transfer::Tunnel {
public:
    struct Region {
        uint32_t base, length, version;
        std::vector<uint8_t> memory;
    };

    ScriptedBootloader(uint32_t model, std::vector<Region> regions)
        : model_(model)
        , regions_(std::move(regions))
    {
    }

    // Refuse begin-region of `region` this many times with `code`.
    void refuseBegin(uint32_t region, int times, uint8_t code) { refusals_[region] = {times, code}; }
    void reportWrongRegionIndex() { wrongIndex_ = true; }
    void corruptWriteAck() { corruptAck_ = true; }

    // A fault at the host's packet number `packet` (from 1 over this
    // device's life). Unplugged and silent last until clearCut(), as a
    // device stays gone or hung until it is plugged in again; a refusal or a
    // corruption hits that one packet, or with `lasting` every later packet
    // of the same kind.
    enum class Fault { unplug, silence, refusal, corruption };
    void cutAt(Fault fault, size_t packet, bool lasting = false) { cut_ = Cut{fault, packet, lasting, 0}; }
    void clearCut() { cut_.reset(); }

    bool send(const uint8_t* p, size_t n) override
    {
        ++packets_;
        if (cut_ && packets_ >= cut_->packet) {
            if (cut_->fault == Fault::unplug)
                return false;
            if (cut_->fault == Fault::silence)
                return true;
        }
        sent.push_back({p[0], n >= 5 ? le32(p + 1) : 0, n >= 6 ? p[5] : uint8_t(0)});
        if (p[0] == 0xC0)
            queue_.clear(); // answers left from an earlier session never reach this one
        const Fault* fault = faultFor(p[0]);
        if (fault && *fault == Fault::refusal) {
            reply({0x82, 83});
            return true;
        }
        corrupt_ = fault != nullptr;
        switch (p[0]) {
        case 0xC0:
            reply({0x80});
            break;
        case 0xC2:
            reply({0x84, uint8_t(regions_.size())});
            break;
        case 0xC4: {
            uint32_t i = le32(p + 1);
            const Region& r = regions_.at(i);
            transfer::Packet info{};
            info[0] = 0x83;
            put32(&info[1], model_);
            put32(&info[5], wrongIndex_ ? i + 1 : i);
            put32(&info[9], r.version);
            put32(&info[21], obin::crc32(r.memory.data(), r.memory.size()) ^ (corrupt_ ? 1u : 0u));
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
            if (corrupt_ && p[0] == 0xC7)
                r.memory[address - r.base] ^= 0x10; // programmed wrong, and nobody is told
            if (p[0] == 0xC6) {
                transfer::Packet ack{0x81};
                put32(&ack[1], obin::crc32(p + 6, count) ^ (corruptAck_ || corrupt_ ? 1u : 0u));
                queue_.push_back(ack);
            }
            break;
        }
        case 0xC8: {
            Region& r = regions_[current_];
            r.version = pendingVersion_;
            transfer::Packet ack{0x81};
            put32(&ack[1], obin::crc32(r.memory.data(), r.memory.size()) ^ (corrupt_ ? 1u : 0u));
            queue_.push_back(ack);
            break;
        }
        default:
            break; // finish: the device restarts
        }
        return true;
    }

    bool receive(transfer::Packet& packet) override
    {
        if (cut_ && packets_ >= cut_->packet && (cut_->fault == Fault::unplug || cut_->fault == Fault::silence))
            queue_.clear(); // what was on its way is lost with the device
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
    struct Cut {
        Fault fault;
        size_t packet;
        bool lasting;
        uint8_t kind; // of the packet hit first, for lasting faults
    };

    // The refusal or corruption that hits a packet of `kind` now, if any.
    const Fault* faultFor(uint8_t kind)
    {
        if (!cut_ || cut_->fault == Fault::unplug || cut_->fault == Fault::silence || packets_ < cut_->packet)
            return nullptr;
        if (packets_ == cut_->packet) {
            cut_->kind = kind;
            return &cut_->fault;
        }
        return cut_->lasting && kind == cut_->kind ? &cut_->fault : nullptr;
    }

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
    bool corrupt_ = false;
    size_t packets_ = 0;
    std::optional<Cut> cut_;
};

std::vector<std::pair<int, int>> progressCalls;
void recordProgress(uint8_t p, int code)
{
    progressCalls.emplace_back(p, code);
}

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

bool holdsContainer(ScriptedBootloader& device, const std::vector<uint8_t>& image)
{
    for (uint32_t i = 0; i < obin::countRegions(image.data(), image.size(), 200); ++i) {
        auto block = obin::findRegion(image.data(), image.size(), 200, i);
        const auto& r = device.regions().at(i);
        if (!block || obin::crc32(r.memory.data(), r.memory.size()) != block->regionCrc() ||
            r.version != block->version())
            return false;
    }
    return true;
}

// A fault at every packet of a transfer, one at a time: every state, and
// every burst boundary of a region of two and a bit bursts. Each run ends
// with one outcome that matches its result, a success only when the device
// holds the whole container, and a second run after the fault clears
// completes.
TEST(Transfer, FaultAtEveryPacketNeverPassesForSuccessAndASecondRunCompletes)
{
    using Fault = ScriptedBootloader::Fault;
    const auto image = container({52 * 32 * 2 + 100, 100});
    ScriptedBootloader clean(200, deviceRegions(3));
    const auto packets = runTransfer(clean, image).sent;
    ASSERT_EQ(packets.size(), 77u);
    ASSERT_EQ(packets.back().code, 0xC1);

    const struct {
        Fault fault;
        bool lasting;
    } faults[] = {{Fault::unplug, true},  {Fault::silence, true},     {Fault::refusal, false},
                  {Fault::refusal, true}, {Fault::corruption, false}, {Fault::corruption, true}};
    for (const auto& f : faults) {
        for (size_t at = 1; at <= packets.size(); ++at) {
            const uint8_t kind = packets[at - 1].code;
            SCOPED_TRACE(testing::Message() << "fault " << int(f.fault) << (f.lasting ? " lasting" : "")
                                            << " at packet " << at << " (0x" << std::hex << int(kind) << ")");
            ScriptedBootloader device(200, deviceRegions(3));
            device.cutAt(f.fault, at, f.lasting);
            auto run = runTransfer(device, image);
            if (f.fault == Fault::unplug && at == 1) {
                // A hello that cannot be sent ends the transfer before it began.
                EXPECT_FALSE(run.result);
                EXPECT_TRUE(run.progress.empty());
            } else {
                ASSERT_FALSE(run.progress.empty());
                const auto [percent, code] = run.progress.back();
                EXPECT_EQ(percent, 100);
                EXPECT_EQ(run.result, code == 0);
                if (run.result) {
                    EXPECT_TRUE(holdsContainer(device, image));
                }
            }
            const int code = run.progress.empty() ? 1 : run.progress.back().second;

            const bool finishHit = kind == 0xC1;
            const bool inRegion = kind == 0xC4 || kind == 0xC5 || kind == 0xC6 || kind == 0xC7 || kind == 0xC8;
            switch (f.fault) {
            case Fault::unplug:
            case Fault::silence:
                // Gone after the last region was checked: only the restart is lost.
                EXPECT_EQ(code, finishHit ? 0 : 1);
                break;
            case Fault::refusal:
                // Before the device info there is no region to restart.
                if (kind == 0xC0 || kind == 0xC2)
                    EXPECT_EQ(code, 83);
                else
                    EXPECT_EQ(code, f.lasting && inRegion ? 83 : 0);
                break;
            case Fault::corruption: {
                int expected = 0;
                if (f.lasting && kind == 0xC6)
                    expected = 88;
                else if (f.lasting && (kind == 0xC7 || kind == 0xC8))
                    expected = 85;
                EXPECT_EQ(code, expected);
                break;
            }
            }

            device.clearCut();
            auto again = runTransfer(device, image);
            EXPECT_TRUE(again.result);
            EXPECT_EQ(again.progress.back(), (std::pair<int, int>(100, 0)));
            EXPECT_TRUE(holdsContainer(device, image));
            if (HasFailure())
                return; // one case at a time is enough to read
        }
    }
}

// Answers each host packet with the next canned packet.
struct CannedDevice final : transfer::Tunnel {
    std::deque<transfer::Packet> answers;
    uint32_t now = 0;
    size_t sent = 0;
    bool send(const uint8_t*, size_t) override
    {
        ++sent;
        return true;
    }
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

TEST(Transfer, RefusalBeforeTheDeviceInfoEndsTheTransfer)
{
    // The device has not said how many regions it has: restarting "the
    // region" would write region 0, find no more and report success.
    CannedDevice device;
    device.answers.push_back({0x82, 83});
    transfer::Packet info{0x83};
    put32(&info[1], 200);
    device.answers.push_back(info);
    auto image = container({100, 100});
    progressCalls.clear();
    transfer::BootloaderTransfer t(device, image.data(), image.size(), recordProgress, false);
    EXPECT_FALSE(t.run());
    EXPECT_EQ(progressCalls.back(), (std::pair<int, int>(100, 83)));
    EXPECT_EQ(device.sent, 1u);

    // A refusal that carries code 0 must not read as success either.
    ScriptedBootloader zero(200, deviceRegions(2));
    zero.refuseBegin(0, 4, 0);
    auto run = runTransfer(zero, container({100, 100}));
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.progress.back(), (std::pair<int, int>(100, 80)));
}

TEST(Transfer, SilentDeviceTimesOut)
{
    struct Silent final : transfer::Tunnel {
        uint32_t now = 0;
        bool send(const uint8_t*, size_t) override { return true; }
        bool receive(transfer::Packet&) override
        {
            now += 4000;
            return false;
        }
        uint32_t tick() override { return now; }
    } silent;
    auto image = container({100});
    progressCalls.clear();
    transfer::BootloaderTransfer t(silent, image.data(), image.size(), recordProgress, false);
    EXPECT_FALSE(t.run());
    EXPECT_EQ(progressCalls.back(), (std::pair<int, int>(100, 1)));
}

} // namespace

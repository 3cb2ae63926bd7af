#include "firmware.h"

#include <algorithm>

namespace zq40emu::detail {

// A child's two identifying bytes go high byte first: key 258 is 01 02. A
// host that selects the child for an update reads the same two bytes as a
// little-endian number (0x0201), and sends them back in that order.
void putChildKey(Report& r, uint16_t key)
{
    r.payload()[0] = static_cast<uint8_t>(key >> 8);
    r.payload()[1] = static_cast<uint8_t>(key);
}

uint16_t childKeyAt(const Report& r)
{
    return static_cast<uint16_t>(r.payload()[0] << 8 | r.payload()[1]);
}

UnitState initialState(const UnitConfig& config)
{
    UnitState s;
    s.version = config.version;
    s.status = config.status;
    s.flashParams = config.flashParams;
    s.children = config.children;
    for (uint8_t code : kBlockCodes)
        s.blocks[code].assign(blockSize(code), 0);
    for (const auto& [code, bytes] : config.blocks) {
        const std::size_t size = blockSize(code);
        if (size == 0)
            continue;
        std::vector<uint8_t>& block = s.blocks[storageCode(code)];
        std::copy_n(bytes.begin(), std::min(size, bytes.size()), block.begin());
    }
    s.mode = config.startInBootloader ? Mode::Bootloader : Mode::Application;
    std::vector<FlashRegion> regions = config.regions.empty() ? mainUnitRegions(config.version.ver) : config.regions;
    s.boot = BootDevice(config.version.perID, FlashMemory(std::move(regions), config.version.perID));
    for (const ChildConfig& c : config.children)
        s.childFlash[c.childID] = ChildFlash{c, childBootDevice(c), 0};
    return s;
}

BootDevice childBootDevice(const ChildConfig& child)
{
    std::vector<FlashRegion> regions = child.regions.empty() ? childRegions(child.version()) : child.regions;
    return BootDevice(child.model, FlashMemory(std::move(regions), child.model));
}

std::unique_ptr<Firmware> makeFirmware(Mode mode)
{
    return mode == Mode::Bootloader ? makeBootloader() : makeApplication();
}

Report versionReport(const UnitState& state, uint32_t tag)
{
    Report r = Report::make(msg::kVersion, tag, 24);
    const VersionWords& v = state.version;
    const uint32_t words[6] = {v.perID, v.word1, v.word2, v.ver, v.ser, v.word5};
    for (int i = 0; i < 6; ++i)
        r.setPayloadU32(4 * i, words[i]);
    return r;
}

Report statusReport(const UnitState& state, uint32_t tag)
{
    Report r = Report::make(msg::kStatus, tag, 2);
    r.payload()[0] = state.status;
    r.payload()[1] = state.mode == Mode::Bootloader ? 1 : 0;
    return r;
}

Report childConnectReport(const ChildConfig& child)
{
    Report r = Report::make(msg::kChildConnect, 0, 22);
    putChildKey(r, child.childID);
    r.setPayloadU32(2, child.model);
    std::copy(child.info.begin(), child.info.end(), r.payload() + 6);
    return r;
}

Report childDisconnectReport(uint16_t childID)
{
    Report r = Report::make(msg::kChildDisconnect, 0, 2);
    putChildKey(r, childID);
    return r;
}

Report blockReport(uint8_t code, const std::vector<uint8_t>& block)
{
    Report r = Report::make(msg::kParamBlock, 0, kPayloadSize);
    r.payload()[0] = code;
    std::copy_n(block.begin(), std::min(block.size(), kPayloadSize - 1), r.payload() + 1);
    return r;
}

} // namespace zq40emu::detail

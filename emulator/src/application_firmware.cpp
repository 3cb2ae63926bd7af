// The program a unit normally runs: parameters, children, and passing
// bootloader packets on to the selected child.
#include <algorithm>

#include "firmware.h"

namespace zq40emu::detail {
namespace {

class ApplicationFirmware : public Firmware {
public:
    FirmwareResult handle(UnitState& state, const Report& request) override
    {
        FirmwareResult result;
        switch (request.msgId()) {
        case msg::kVersion:
            result.answers.push_back(versionReport(state, request.tag()));
            break;
        case msg::kStatus:
            result.answers.push_back(statusReport(state, request.tag()));
            break;
        case msg::kSetFlashParams:
            state.flashParams = {request.payloadU32(0), request.payloadU32(4)};
            break;
        case msg::kGetFlashParams: {
            Report r = Report::make(msg::kGetFlashParams, request.tag(), 8);
            r.setPayloadU32(0, state.flashParams[0]);
            r.setPayloadU32(4, state.flashParams[1]);
            result.answers.push_back(r);
            break;
        }
        case msg::kReboot:
            result.restart = Restart::Reboot;
            break;
        case msg::kStartBootloader:
            result.restart = Restart::EnterBootloader;
            break;
        case msg::kTunnel:
            forward(state, request, result);
            break;
        case msg::kChildSelect:
            state.selectedChild = childKeyAt(request);
            break;
        case msg::kEnumerateChildren:
            for (const ChildConfig& c : state.children)
                result.answers.push_back(childConnectReport(c));
            break;
        case msg::kParamWrite: {
            const uint8_t code = request.payload()[0];
            const std::size_t size = blockSize(code);
            if (size == 0)
                break; // unknown block
            std::vector<uint8_t>& block = state.blocks[storageCode(code)];
            std::copy_n(request.payload() + 1, size, block.begin());
            break;
        }
        case msg::kParamBlock:
            if (request.cnt() != 0)
                break; // only the empty request asks for everything
            for (uint8_t code : kBlockCodes)
                result.answers.push_back(blockReport(code, state.blocks[code]));
            break;
        default:
            break; // unknown ids are ignored like the firmware does
        }
        return result;
    }

private:
    // Packets for a child that is not there go nowhere.
    static void forward(UnitState& state, const Report& request, FirmwareResult& result)
    {
        const uint16_t key = state.selectedChild;
        if (key == 0)
            return;
        const bool present = std::any_of(state.children.begin(), state.children.end(),
                                         [&](const ChildConfig& c) { return c.childID == key; });
        auto it = state.childFlash.find(key);
        if (!present || it == state.childFlash.end())
            return;
        BootDevice& child = it->second.boot;
        if (child.tunnelPacketArrives()) {
            result.childrenLost.push_back(key);
            return;
        }
        BootDevice::Outcome out = child.handle(tunnelledPacket(request));
        if (!out.answer.empty())
            result.answers.push_back(tunnelReport(request.tag(), out.answer));
        if (out.finished)
            result.childrenRestarting.push_back(key);
    }
};

} // namespace

std::unique_ptr<Firmware> makeApplication()
{
    return std::make_unique<ApplicationFirmware>();
}

} // namespace zq40emu::detail

// The main unit's bootloader: identifies itself and takes its own firmware
// through msgID 24; everything else waits for the application.
#include "firmware.h"

namespace zq40emu::detail {
namespace {

class BootloaderFirmware : public Firmware {
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
        case msg::kTunnel: {
            BootDevice::Outcome out = state.boot.handle(tunnelledPacket(request));
            if (!out.answer.empty())
                result.answers.push_back(tunnelReport(request.tag(), out.answer));
            if (out.finished)
                result.restart = Restart::LeaveBootloader;
            break;
        }
        default:
            break;
        }
        return result;
    }
};

} // namespace

std::unique_ptr<Firmware> makeBootloader()
{
    return std::make_unique<BootloaderFirmware>();
}

} // namespace zq40emu::detail

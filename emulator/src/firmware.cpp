#include "firmware.hpp"

#include <algorithm>

namespace zq40emu::detail {
namespace {

class ApplicationFirmware : public Firmware {
 public:
  FirmwareResult handle(UnitState& state, const Report& request) override {
    FirmwareResult result;
    switch (request.msgId()) {
      case msg::kVersion: {
        Report r = Report::make(msg::kVersion, request.tag(), 24);
        const VersionWords& v = state.version;
        const uint32_t words[6] = {v.perID, v.word1, v.word2, v.ver, v.ser, v.word5};
        for (int i = 0; i < 6; ++i) r.setPayloadU32(4 * i, words[i]);
        result.answers.push_back(r);
        break;
      }
      case msg::kStatus: {
        Report r = Report::make(msg::kStatus, request.tag(), 2);
        r.payload()[0] = state.status;
        r.payload()[1] = 0;  // the bootloader is not running
        result.answers.push_back(r);
        break;
      }
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
        result.reboot = true;
        break;
      case msg::kChildSelect:
        state.selectedChild = request.payloadU16(0);
        break;
      case msg::kEnumerateChildren:
        for (const ChildConfig& c : state.children) result.answers.push_back(childConnectReport(c));
        break;
      case msg::kParamWrite: {
        const uint8_t code = request.payload()[0];
        const std::size_t size = blockSize(code);
        if (size == 0) break;  // unknown block
        std::vector<uint8_t>& block = state.blocks[storageCode(code)];
        std::copy_n(request.payload() + 1, size, block.begin());
        break;
      }
      case msg::kParamBlock:
        if (request.cnt() != 0) break;  // only the empty request asks for everything
        for (uint8_t code : kBlockCodes) result.answers.push_back(blockReport(code, state.blocks[code]));
        break;
      default:
        // msgID 23 (bootloader) and 24 (tunnel) arrive with the bootloader work;
        // unknown ids are ignored like the firmware does.
        break;
    }
    return result;
  }
};

}  // namespace

UnitState initialState(const UnitConfig& config) {
  UnitState s;
  s.version = config.version;
  s.status = config.status;
  s.flashParams = config.flashParams;
  s.children = config.children;
  for (uint8_t code : kBlockCodes) s.blocks[code].assign(blockSize(code), 0);
  for (const auto& [code, bytes] : config.blocks) {
    const std::size_t size = blockSize(code);
    if (size == 0) continue;
    std::vector<uint8_t>& block = s.blocks[storageCode(code)];
    std::copy_n(bytes.begin(), std::min(size, bytes.size()), block.begin());
  }
  return s;
}

std::unique_ptr<Firmware> makeFirmware(Mode mode) {
  switch (mode) {
    case Mode::Application:
      break;
  }
  return std::make_unique<ApplicationFirmware>();
}

Report childConnectReport(const ChildConfig& child) {
  Report r = Report::make(msg::kChildConnect, 0, 22);
  r.setPayloadU16(0, child.childID);
  r.setPayloadU32(2, child.model);
  std::copy(child.info.begin(), child.info.end(), r.payload() + 6);
  return r;
}

Report childDisconnectReport(uint16_t childID) {
  Report r = Report::make(msg::kChildDisconnect, 0, 2);
  r.setPayloadU16(0, childID);
  return r;
}

Report blockReport(uint8_t code, const std::vector<uint8_t>& block) {
  Report r = Report::make(msg::kParamBlock, 0, kPayloadSize);
  r.payload()[0] = code;
  std::copy_n(block.begin(), std::min(block.size(), kPayloadSize - 1), r.payload() + 1);
  return r;
}

}  // namespace zq40emu::detail

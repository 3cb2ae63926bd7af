#include "remote_status_rules.h"

#include "firmware_catalogue.h"

namespace zq40 {

namespace {

uint32_t infoWord(const ousb_child_device_info_t& child, size_t at)
{
    const uint8_t* b = child.info + at;
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

} // namespace

uint32_t expectedVersion(uint32_t model)
{
    return firmware::catalogueVersion(model);
}

uint32_t childVersion(const ousb_child_device_info_t& child)
{
    return infoWord(child, 8);
}

uint32_t childRevision(const ousb_child_device_info_t& child)
{
    return infoWord(child, 0);
}

std::string childVersionText(const ousb_child_device_info_t& child)
{
    const uint32_t v = childVersion(child);
    return std::to_string(v >> 24) + "." + std::to_string(v >> 16 & 0xFF) + "." + std::to_string(v >> 8 & 0xFF) + "." +
        std::to_string(v & 0xFF) + " r." + std::to_string(childRevision(child));
}

bool slotAcceptsModel(const RemoteSlot& slot, uint32_t model)
{
    if (slot.pagingStation)
        return model == 502;
    return model == 202 || (slot.acceptsModel200 && model == 200);
}

RemoteState remoteState(const RemoteSlot& slot, const ousb_child_device_info_t* child)
{
    if (!child)
        return RemoteState::NotConnected;
    if (!slotAcceptsModel(slot, child->model))
        return RemoteState::Unsupported;
    if (childVersion(*child) < expectedVersion(child->model))
        return RemoteState::FirmwareMismatch;
    return RemoteState::Online;
}

bool mainUnitMismatch(uint32_t word5)
{
    return word5 != expectedVersion(kMainUnitModel);
}

UnitState unitState(bool mismatch, uint32_t word1)
{
    if (!mismatch)
        return UnitState::Connected;
    return word1 <= 1 ? UnitState::FirmwareMismatch : UnitState::Unchanged;
}

std::optional<bool> controlsEnabledAfterPass(UnitState unit, bool childMismatch)
{
    switch (unit) {
    case UnitState::Connected:
        return true;
    case UnitState::FirmwareMismatch:
        return false;
    case UnitState::Unchanged:
        break;
    }
    // A child that needs newer firmware locks editing whatever the revision.
    if (childMismatch)
        return false;
    return std::nullopt;
}

} // namespace zq40

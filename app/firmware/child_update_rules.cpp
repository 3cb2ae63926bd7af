#include "child_update_rules.h"

#include "firmware_catalogue.h"
#include "presentation.h"

namespace zq40::firmware {

namespace {

constexpr uint32_t kNewestKnownHardware = 5;

} // namespace

MainUnitStep mainUnitStep(uint32_t word5, uint32_t word1, uint32_t carried)
{
    if (word5 == carried)
        return MainUnitStep::Current;
    if (word1 > kNewestKnownHardware)
        return MainUnitStep::NewerSoftwareRequired;
    return MainUnitStep::Update;
}

bool versionNeedsUpdate(uint32_t version, uint32_t carried)
{
    return (version >> 24) == (carried >> 24) && version < carried;
}

bool childNeedsUpdate(uint16_t key, uint32_t model, uint32_t version)
{
    const RemoteSlot* slot = slotOfKey(key);
    return slot && slotAcceptsModel(*slot, model) && versionNeedsUpdate(version, catalogueVersion(model));
}

} // namespace zq40::firmware

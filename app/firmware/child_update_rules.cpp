#include "child_update_rules.h"

#include "firmware_catalogue.h"

namespace zq40::firmware {

namespace {

constexpr uint32_t kNewestKnownHardware = 5;
constexpr uint16_t kPagingStationKey = 257;
constexpr uint16_t kMasterRemoteKey = 264;

} // namespace

MainUnitStep mainUnitStep(uint32_t word5, uint32_t word1, uint32_t carried)
{
    if (word5 == carried)
        return MainUnitStep::Current;
    if (word1 > kNewestKnownHardware)
        return MainUnitStep::NewerSoftwareRequired;
    return MainUnitStep::Update;
}

bool keyTakesModel(uint16_t key, uint32_t model)
{
    if (key == kPagingStationKey)
        return model == 502;
    if (key == kMasterRemoteKey)
        return model == 202;
    if (key > kPagingStationKey && key < kMasterRemoteKey)
        return model == 200 || model == 202;
    return false;
}

bool versionNeedsUpdate(uint32_t version, uint32_t carried)
{
    return (version >> 24) == (carried >> 24) && version < carried;
}

bool childNeedsUpdate(uint16_t key, uint32_t model, uint32_t version, uint32_t carried)
{
    return keyTakesModel(key, model) && versionNeedsUpdate(version, carried);
}

bool childNeedsUpdate(uint16_t key, uint32_t model, uint32_t version)
{
    return childNeedsUpdate(key, model, version, catalogueVersion(model));
}

uint16_t childSelector(const uint8_t (&childID)[2])
{
    return uint16_t(childID[0] | childID[1] << 8);
}

} // namespace zq40::firmware

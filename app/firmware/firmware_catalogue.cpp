#include "firmware_catalogue.h"

#include "byte_order.h"

#include <cstdlib>
#include <cstring>

// From firmware_catalogue_data.S: the container, then one version word per
// model in the layout's kVersionModels order.
extern "C" const uint8_t zq40_firmware_catalogue_bytes[];

namespace zq40::firmware {

using byte_order::readLe32;

namespace {

// Set by the build when it was given the maker's catalogue.
#ifdef ZQ40_MAKER_CATALOGUE_SHA256
constexpr const char* kMakerSha256 = ZQ40_MAKER_CATALOGUE_SHA256;
#else
constexpr const char* kMakerSha256 = nullptr;
#endif

bool environmentSays(const char* name, const char* value)
{
    const char* set = std::getenv(name);
    return set && (value ? std::strcmp(set, value) == 0 : *set != '\0');
}

} // namespace

std::span<const uint8_t> catalogue()
{
    return {zq40_firmware_catalogue_bytes, kCatalogueLength};
}

uint32_t catalogueVersion(uint32_t model)
{
    const uint8_t* word = zq40_firmware_catalogue_bytes + kCatalogueLength;
    for (uint32_t m : layout::kVersionModels) {
        if (m == model)
            return readLe32(word);
        word += 4;
    }
    return 0;
}

bool carriesTestFirmware()
{
    return kMakerSha256 == nullptr;
}

std::string catalogueOrigin()
{
    if (carriesTestFirmware())
        return "test firmware, for emulated units only";
    return "the maker's, SHA-256 " + std::string(kMakerSha256).substr(0, 12);
}

bool mayWriteCarriedFirmware()
{
    return !carriesTestFirmware() ||
        (environmentSays("ZQ40_TEST_FIRMWARE", "1") && environmentSays("UMOCKDEV_DIR", nullptr));
}

} // namespace zq40::firmware

#include "firmware_catalogue.h"

#include "byte_order.h"

// From firmware_catalogue_data.S: the container, then one version word per
// model in kVersionModels' order.
extern "C" const uint8_t zq40_firmware_catalogue_bytes[];

namespace zq40::firmware {

using byte_order::readLe32;

namespace {

constexpr uint32_t kVersionModels[] = {202, 200, 502, 601};

} // namespace

std::span<const uint8_t> catalogue()
{
    return {zq40_firmware_catalogue_bytes, kCatalogueLength};
}

uint32_t catalogueVersion(uint32_t model)
{
    const uint8_t* word = zq40_firmware_catalogue_bytes + kCatalogueLength;
    for (uint32_t m : kVersionModels) {
        if (m == model)
            return readLe32(word);
        word += 4;
    }
    return 0;
}

} // namespace zq40::firmware

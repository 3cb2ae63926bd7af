// The firmware the application carries for the main unit (model 601) and
// its child models: one little-endian obin container, linked in at build
// time. A build carries the maker's catalogue when it is given one, else
// the test catalogue, which may only be written to emulated units.
#pragma once

#include "catalogue_layout.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace zq40::firmware {

constexpr size_t kCatalogueLength = layout::kContainerLength;

// The whole container. Read-only: an update works on a writable copy.
std::span<const uint8_t> catalogue();

// The application-region version (a.b.c.d, a in the top byte) the catalogue
// holds for models 202, 200, 502 and 601; 0 for any other model.
uint32_t catalogueVersion(uint32_t model);

// Which catalogue this build carries.
bool carriesTestFirmware();
// "the maker's, SHA-256 0123456789ab" or "test firmware, for emulated units only".
std::string catalogueOrigin();

// Whether the carried firmware may be written to the units this program
// reaches: the maker's always; test firmware only on the emulator's test
// bed, which says so with ZQ40_TEST_FIRMWARE=1 beside umockdev's own
// UMOCKDEV_DIR.
bool mayWriteCarriedFirmware();

} // namespace zq40::firmware

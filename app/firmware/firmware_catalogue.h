// The firmware the application carries for the main unit (model 601) and
// its child models: one little-endian obin container, linked in at build time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zq40::firmware {

constexpr size_t kCatalogueLength = 949760;

// The whole container. Read-only: an update works on a writable copy.
std::span<const uint8_t> catalogue();

// The application-region version (a.b.c.d, a in the top byte) the catalogue
// holds for models 202, 200, 502 and 601; 0 for any other model.
uint32_t catalogueVersion(uint32_t model);

} // namespace zq40::firmware

// Reading and writing the catalogue files of the build.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace zq40::firmware {

// Throws std::runtime_error when the file cannot be read whole.
std::vector<uint8_t> readCatalogueFile(const std::filesystem::path& path);

// Written beside `path` and renamed over it, so that a failed run never
// leaves a file the build would take as done.
void writeCatalogueFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

} // namespace zq40::firmware

// The check a firmware catalogue passes before a build carries it: the
// blocks the program expects, each where it expects it, with every checksum
// right, and a version table that agrees with the blocks. Written for the
// maker's catalogue, which comes from outside the build; the test catalogue
// passes it too.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zq40::firmware {

// What the file differs in from what the program expects, one line each;
// empty when it passes.
std::vector<std::string> catalogueDifferences(std::span<const uint8_t> file);

// The same for a file given as the maker's, which also must not carry the
// test catalogue's contents in any region.
std::vector<std::string> makerCatalogueDifferences(std::span<const uint8_t> file);

} // namespace zq40::firmware

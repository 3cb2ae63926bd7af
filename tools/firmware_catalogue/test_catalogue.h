// The test firmware catalogue: the layout and versions of the maker's, with
// pseudo-random but fixed section contents, so that the update flow can be
// built and tested against emulated units. It is not firmware: it must
// never reach a real unit.
#pragma once

#include <cstdint>
#include <vector>

namespace zq40::firmware {

// The container followed by its version table, the same bytes every time.
std::vector<uint8_t> makeTestCatalogue();

} // namespace zq40::firmware

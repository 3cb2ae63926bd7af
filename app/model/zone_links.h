// Linked groups of zones: maximal runs of neighbouring zones joined by the
// link flags of block 14, and bringing a record into line with them.
#pragma once

#include "parameter_blocks.h"

#include <vector>

namespace zq40 {

// The linked groups from left to right (at most three).
std::vector<ZoneRange> linkedGroups(const ParameterBlocks& blocks);

// The zones joined to `zone` by unbroken links: those below it walking down,
// then those above it walking up.
std::vector<int> linkedZonesOf(const ParameterBlocks& blocks, int zone);

// Whether any of the five link flags is set.
bool anyZonesLinked(const ParameterBlocks& blocks);

// The zone whose fader position and source the others of `group` take.
int conformingZone(const ParameterBlocks& blocks, ZoneRange group);

// Copies position and source within every linked group from its conforming
// zone, then recomputes the level of all six zones from their own spans.
void conformToLinks(ParameterBlocks& blocks);

} // namespace zq40

// Any bytes as a firmware container. Validation must never read or write
// outside the buffer, a valid container must stay valid and unchanged when
// validated again, and every block find() returns must hold its sections.
#include "container.h"
#include "crc32.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

uint32_t readLe(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Reads every section's data, so that ASan sees any that is out of place.
void readSections(const obin::Block& block)
{
    for (uint32_t i = 0; i < block.sectionCount(); ++i) {
        const obin::Section s = block.section(i);
        volatile uint32_t crc = obin::crc32(block.sectionData(s), s.length);
        (void)crc;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly the input's size, so that ASan catches a read one past the end.
    std::vector<uint8_t> image(data, data + size);
    const bool valid = obin::validateAndConvert(image.data(), image.size());

    if (valid) {
        const std::vector<uint8_t> converted = image;
        if (!obin::validateAndConvert(image.data(), image.size()) || image != converted)
            std::abort(); // a converted container converts to itself
    }

    // The known models, and whatever the first block names.
    std::vector<uint32_t> models = {200, 202, 502, 601};
    if (size >= obin::kHeaderSize)
        models.push_back(readLe(image.data() + obin::kModelOffset));

    for (uint32_t model : models) {
        const uint32_t count = obin::countRegions(image.data(), image.size(), model);
        uint32_t found = 0;
        for (uint32_t region = 0; region < 6; ++region) {
            const std::optional<obin::Block> block = obin::findRegion(image.data(), image.size(), model, region);
            if (!block)
                continue;
            ++found;
            if (block->model() != model || block->regionIndex() != region)
                std::abort();
            readSections(*block);
        }
        if (found > count)
            std::abort(); // every block found is one counted
    }
    return 0;
}

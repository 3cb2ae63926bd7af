#include "catalogue_check.h"

#include "byte_order.h"
#include "catalogue_layout.h"
#include "container.h"
#include "crc32.h"
#include "test_catalogue.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zq40::firmware {

namespace {

using byte_order::readLe32;

static_assert(layout::kSectionDataOffset == obin::kHeaderSize + obin::kSectionEntrySize);

std::string hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
}

std::string versionText(uint32_t v)
{
    return std::to_string(v >> 24) + "." + std::to_string(v >> 16 & 0xFF) + "." + std::to_string(v >> 8 & 0xFF) + "." +
        std::to_string(v & 0xFF);
}

std::string nameOf(const layout::Block& b)
{
    return "block " + std::to_string(b.model) + "/" + std::to_string(b.region);
}

class Checker {
public:
    explicit Checker(std::vector<std::string>& differences)
        : differences(differences)
    {
    }

    // One block at `at` of `bytes` (a container `length` long) against what
    // the layout gives it; its length when its header could be read, else 0.
    size_t block(const uint8_t* bytes, size_t length, size_t at, const layout::Block& expected,
                 const std::string& where)
    {
        const std::string name = where + nameOf(expected);
        if (length - at < layout::kSectionDataOffset) {
            differ(name + ": missing, the container ends at byte " + std::to_string(length));
            return 0;
        }
        const uint8_t* b = bytes + at;
        if (std::memcmp(b, "!Obn", 4) != 0) {
            differ(name + ": no little-endian obin block at byte " + std::to_string(at));
            return 0;
        }
        const uint32_t model = readLe32(b + obin::kModelOffset);
        const uint32_t region = readLe32(b + obin::kRegionIndexOffset);
        if (model != expected.model || region != expected.region)
            differ(name + ": the block at byte " + std::to_string(at) + " is for " + std::to_string(model) + "/" +
                   std::to_string(region));
        field(name, "base address", readLe32(b + obin::kBaseAddressOffset), expected.baseAddress);
        field(name, "region length", readLe32(b + obin::kRegionLengthOffset), expected.regionLength);
        field(name, "section count", readLe32(b + obin::kSectionCountOffset), 1);
        const uint8_t* entry = b + obin::kHeaderSize;
        field(name, "section address", readLe32(entry), expected.baseAddress);
        field(name, "section length", readLe32(entry + 4), expected.sectionLength);
        field(name, "section data offset", readLe32(entry + 12), layout::kSectionDataOffset);
        const uint32_t blockLength = layout::kSectionDataOffset + expected.sectionLength;
        field(name, "block length", readLe32(b + obin::kBlockLengthOffset), blockLength);
        if (length - at < blockLength) {
            differ(name + ": cut short, the container ends at byte " + std::to_string(length));
            return 0;
        }

        const uint8_t* data = b + layout::kSectionDataOffset;
        const uint32_t sectionCrc = obin::crc32(data, expected.sectionLength);
        field(name, "section CRC", readLe32(entry + 8), sectionCrc);
        // The section fills the region from its base; the rest stays erased.
        uint32_t regionCrc = sectionCrc;
        uint8_t fill[256];
        std::memset(fill, 0xFF, sizeof fill);
        for (size_t left = expected.regionLength - expected.sectionLength; left > 0;) {
            const size_t n = left < sizeof fill ? left : sizeof fill;
            regionCrc = obin::crc32(fill, n, regionCrc);
            left -= n;
        }
        field(name, "region CRC", readLe32(b + obin::kRegionCrcOffset), regionCrc);

        if (expected.holdsChildren)
            children(data, expected.sectionLength, name + ": ");
        return blockLength;
    }

    // The blocks of the main unit's child-holding region, in their order.
    void children(const uint8_t* bytes, size_t length, const std::string& where)
    {
        size_t at = 0;
        for (const layout::RegionKey& key : layout::kChildBlocks) {
            const size_t n = block(bytes, length, at, *layout::blockOf(key.model, key.region), where);
            if (n == 0)
                return;
            at += n;
        }
        if (at != length)
            differ(where + std::to_string(length - at) + " bytes after its last block");
    }

    void differ(std::string text) { differences.push_back(std::move(text)); }

private:
    void field(const std::string& name, const char* what, uint32_t found, uint32_t expected)
    {
        if (found != expected)
            differ(name + ": " + what + " is " + hex(found) + ", not " + hex(expected));
    }

    std::vector<std::string>& differences;
};

} // namespace

std::vector<std::string> catalogueDifferences(std::span<const uint8_t> file)
{
    std::vector<std::string> differences;
    Checker check(differences);
    if (file.size() != layout::kFileLength)
        check.differ("the file is " + std::to_string(file.size()) + " bytes, not " +
                     std::to_string(layout::kFileLength) + " (a container of " +
                     std::to_string(layout::kContainerLength) + " and a version table of " +
                     std::to_string(layout::kVersionTableLength) + ")");
    const size_t containerLength = file.size() < layout::kContainerLength ? file.size() : layout::kContainerLength;

    size_t at = 0;
    for (const layout::Block& b : layout::kBlocks) {
        const size_t n = check.block(file.data(), containerLength, at, b, "");
        if (n == 0)
            break;
        at += n;
    }
    if (!differences.empty() || file.size() != layout::kFileLength)
        return differences;
    // What the library will make of it: it must take it as it stands.
    std::vector<uint8_t> copy(file.begin(), file.begin() + layout::kContainerLength);
    if (!obin::validateAndConvert(copy.data(), copy.size()) || !std::equal(copy.begin(), copy.end(), file.begin()))
        check.differ("the container is not one the USB library takes as it stands");

    const uint8_t* table = file.data() + layout::kContainerLength;
    for (uint32_t model : layout::kVersionModels) {
        const auto block = obin::findRegion(file.data(), layout::kContainerLength, model, layout::kApplicationRegion);
        const uint32_t listed = readLe32(table);
        table += 4;
        if (block && block->version() != listed)
            check.differ("the version table gives " + versionText(listed) + " for model " + std::to_string(model) +
                         ", its block " + std::to_string(model) + "/" + std::to_string(layout::kApplicationRegion) +
                         " holds " + versionText(block->version()));
    }
    return differences;
}

std::vector<std::string> makerCatalogueDifferences(std::span<const uint8_t> file)
{
    std::vector<std::string> differences = catalogueDifferences(file);
    if (!differences.empty())
        return differences;
    const std::vector<uint8_t> test = makeTestCatalogue();
    size_t at = 0;
    for (const layout::Block& b : layout::kBlocks) {
        const size_t data = at + layout::kSectionDataOffset;
        if (std::equal(file.begin() + data, file.begin() + data + b.sectionLength, test.begin() + data))
            differences.push_back(nameOf(b) + ": holds the test catalogue's contents, not the maker's firmware");
        at = data + b.sectionLength;
    }
    return differences;
}

} // namespace zq40::firmware

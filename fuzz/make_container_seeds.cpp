// Writes the seed corpus of container_fuzz into the directory given: small
// valid containers in both byte orders, one nested, and some cut short.
//
// Usage: make_container_seeds DIR
#include "container.h"
#include "writer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes pattern(size_t length, uint8_t seed)
{
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = uint8_t(seed + i * 7);
    return bytes;
}

Bytes block(uint32_t model, uint32_t region, std::vector<obin::SectionImage> sections)
{
    obin::RegionImage r;
    r.model = model;
    r.regionIndex = region;
    r.version = 0x01000000u | (model << 8) | region;
    r.baseAddress = 0x18000u + 0x10000u * region;
    r.regionLength = 0x200;
    r.text = "seed " + std::to_string(model) + "/" + std::to_string(region);
    for (auto& s : sections)
        s.address += r.baseAddress;
    r.sections = std::move(sections);
    return obin::buildBlock(r);
}

Bytes join(const std::vector<Bytes>& parts)
{
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes cut(Bytes bytes, size_t length)
{
    bytes.resize(length);
    return bytes;
}

void write(const std::filesystem::path& dir, const std::string& name, const Bytes& bytes)
{
    std::ofstream file(dir / name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + (dir / name).string());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    try {
        const Bytes a = block(601, 0, {{0, pattern(32, 1)}});
        const Bytes b = block(200, 1, {{0, pattern(13, 2)}, {0x40, pattern(24, 3)}});
        const Bytes c = block(202, 0, {});
        const Bytes d = block(502, 1, {{0x10, pattern(5, 4)}, {0x20, pattern(0, 5)}, {0x30, pattern(9, 6)}});
        const Bytes nested = block(601, 4, {{0, join({c, d})}});

        const Bytes one = a;
        const Bytes two = join({a, b});
        const Bytes three = join({c, b, d});
        write(dir, "le-one-block", one);
        write(dir, "le-two-blocks", two);
        write(dir, "le-three-blocks", three);
        write(dir, "le-nested", join({nested, a}));
        write(dir, "be-one-block", obin::toBigEndian(one));
        write(dir, "be-two-blocks", obin::toBigEndian(two));
        write(dir, "be-three-blocks", obin::toBigEndian(three));
        write(dir, "mixed-le-be", join({a, obin::toBigEndian(b)}));
        write(dir, "le-cut-in-header", cut(two, a.size() + 40));
        write(dir, "le-cut-in-data", cut(two, two.size() - 1));
        write(dir, "be-cut-in-table", cut(obin::toBigEndian(two), a.size() + obin::kHeaderSize + 8));
        write(dir, "be-cut-in-data", cut(obin::toBigEndian(three), three.size() - 3));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_container_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}

#include "catalogue_file.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zq40::firmware {

std::vector<uint8_t> readCatalogueFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open " + path.string());
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad())
        throw std::runtime_error("cannot read " + path.string());
    return bytes;
}

void writeCatalogueFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    auto partial = path;
    partial += ".partial";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        file.close();
        if (!file)
            throw std::runtime_error("cannot write " + partial.string());
    }
    std::filesystem::rename(partial, path);
}

} // namespace zq40::firmware

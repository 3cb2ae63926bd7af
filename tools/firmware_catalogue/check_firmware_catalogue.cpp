// Checks the maker's firmware catalogue a build is given and, when it
// passes, copies it to where the build links it in from. A file that does
// not pass stops the build with what it differs in.
//
// Usage: check_firmware_catalogue MAKER_FILE OUTPUT
#include "catalogue_check.h"
#include "catalogue_file.h"

#include <cstdio>
#include <stdexcept>

int main(int argc, char** argv)
{
    using namespace zq40::firmware;
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s MAKER_FILE OUTPUT\n", argv[0]);
        return 2;
    }
    try {
        const std::vector<uint8_t> bytes = readCatalogueFile(argv[1]);
        const std::vector<std::string> differences = makerCatalogueDifferences(bytes);
        if (!differences.empty()) {
            std::fprintf(stderr, "%s is not a firmware catalogue this program can carry:\n", argv[1]);
            for (const std::string& d : differences)
                std::fprintf(stderr, "  %s\n", d.c_str());
            return 1;
        }
        writeCatalogueFile(argv[2], bytes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "check_firmware_catalogue: %s\n", e.what());
        return 1;
    }
    return 0;
}

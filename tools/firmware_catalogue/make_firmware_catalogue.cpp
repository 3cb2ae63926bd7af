// Writes the test firmware catalogue, which a build carries when it is not
// given the maker's: the container followed by its version table.
//
// Usage: make_firmware_catalogue OUTPUT
#include "catalogue_check.h"
#include "catalogue_file.h"
#include "test_catalogue.h"

#include <cstdio>
#include <stdexcept>

int main(int argc, char** argv)
{
    using namespace zq40::firmware;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 2;
    }
    try {
        const std::vector<uint8_t> bytes = makeTestCatalogue();
        // Held to what the program expects of any catalogue it carries.
        const std::vector<std::string> differences = catalogueDifferences(bytes);
        for (const std::string& d : differences)
            std::fprintf(stderr, "make_firmware_catalogue: %s\n", d.c_str());
        if (!differences.empty())
            return 1;
        writeCatalogueFile(argv[1], bytes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_firmware_catalogue: %s\n", e.what());
        return 1;
    }
    return 0;
}

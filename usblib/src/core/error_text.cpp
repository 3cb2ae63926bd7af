// Fixed texts of the updater's error codes.
#include "orlousb.h"

#include <iterator>

namespace {

struct ErrorText {
    obin_updater_error_t code;
    const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {0, "None"},
    {1, "Timeout waiting for device"},
    {2, "Device is offline"},
    {3, "Null pointer"},
    {4, "A busreset has occurred"},
    {5, "Unable to read from device"},
    {6, "Unable to read device status"},
    {7, "Unable to start bootloader"},
    {16, "File CRC failure"},
    {17, "Invalid file format"},
    {18, "No regions found in file for specified device"},
    {19, "Unable to convert endianness of file"},
    {32, "Device responded with invalid region"},
    {80, "Device responded with invalid command"},
    {81, "Device responded with invalid region select"},
    {82, "Device responded with invalid region model"},
    {83, "Device responded with invalid address"},
    {84, "Device responded with invalid region length"},
    {85, "Device responded with invalid region CRC"},
    {86, "Device responded with section not blank"},
    {87, "Device responded with section write failed"},
    {88, "Write CRC failure"},
    {49, "Device FLASH responded with invalid command"},
    {50, "Device FLASH responded with source address error"},
    {51, "Device FLASH responded with destination address error"},
    {52, "Device FLASH responded with invalid source address"},
    {53, "Device FLASH responded with invalid destination address"},
    {54, "Device FLASH responded with count error"},
    {55, "Device FLASH responded with invalid sector"},
    {56, "Device FLASH responded with sector not blank"},
    {57, "Device FLASH responded with sector not prepared"},
    {58, "Device FLASH responded with compare verify failure"},
    {59, "Device FLASH responded with busy"},
};
static_assert(std::size(kErrorTexts) == 33);

} // namespace

extern "C" const char* ousb_ErrorCodeToString(obin_updater_error_t code)
{
    for (const auto& e : kErrorTexts)
        if (e.code == code)
            return e.text;
    return nullptr;
}

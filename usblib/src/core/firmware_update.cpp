// Firmware update entry points. The container walk and the bootloader
// transfer are not part of this build yet: every update is refused after its
// argument checks, with the container error, and nothing is sent.
#include "library.h"
#include "log.h"

using namespace ousb;

extern "C" {

uint8_t ousb_UpdateDeviceFirmware(ousb_handle_t handle, uint8_t* image, uint32_t length, uint8_t,
                                  ousb_progress_cb progress)
{
    if (!library().devices.find(handle) || !image || length == 0) {
        logLine("ERROR: ousb_UpdateDeviceFirmware() with NULL parameters?\n");
        if (progress)
            progress(100, 3);
        return false;
    }
    logLine("ERROR: ousb_UpdateDeviceFirmware() unable to adjust firmware file for platform endian?\n");
    if (progress)
        progress(100, 19);
    return false;
}

uint8_t ousb_UpdateChildDeviceFirmware(ousb_handle_t, uint16_t, uint8_t*, uint32_t, uint8_t, ousb_progress_cb)
{
    return false;
}

} // extern "C"

// The device commands the library sends on its own.
#pragma once

#include "device.h"

namespace ousb {

bool requestDeviceVersion(Device& device);
bool enumerateChildDevices(Device& device);

// The model-name table; "???" for a model it does not list.
const char* modelName(uint32_t model);

} // namespace ousb

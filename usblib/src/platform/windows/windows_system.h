// What the Windows files of the platform layer share.
#pragma once

// The library runs on Windows 7 and later (CancelIoEx).
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// mingw-w64's hidsdi.h declares C functions without saying so.
extern "C" {
#include <hidsdi.h>
}

#include <cstdint>
#include <string>

namespace ousb::platform::windows {

// Interface paths name the same interface in different case (SetupDi gives
// them in lower case, device notifications as registered).
std::string foldCase(std::string path);

// Appearance counts of interface paths. Windows gives a replugged interface
// its old path, so every departure moves its path's count on; a record is
// one appearance of a path.
uint32_t appearanceOf(const std::string& path);
// The interface left: from a removal notification.
void noteDeparture(const std::string& path);
// The interface left while open as `appearance`: counts only once, however
// many of the file's operations and notifications report it.
void noteDeparture(const std::string& path, uint32_t appearance);

// Starts the hidden window's thread (device_window.cpp); stops it without
// waiting.
bool startDeviceWindow();
void stopDeviceWindow();

// The worker's rescan request, set by the window.
void requestRescanFromWindow();

} // namespace ousb::platform::windows

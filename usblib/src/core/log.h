// The library's log file: one line per event, prefixed with the tick count
// and the thread id, flushed at once, serialised by one lock.
#pragma once

#include <cinttypes>

namespace ousb {

void logLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
bool enableLogging(const char* path);
enum class LogLock {
    wait,
    // At process exit a thread that the system has ended may still hold the
    // lock: rather no unload line than a hang.
    tryOnly,
};
// Writes the unload line and closes the log.
void closeLogOnUnload(LogLock how);

// A handle as the log prints it: at least eight hex digits, never truncated.
#define OUSB_HANDLE_FMT "0x%08" PRIxPTR
inline uintptr_t logHandle(const void* handle)
{
    return reinterpret_cast<uintptr_t>(handle);
}

} // namespace ousb

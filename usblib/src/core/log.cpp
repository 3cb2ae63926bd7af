#include "log.h"

#include "../platform/platform.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace ousb {

namespace {

std::mutex logMutex;
FILE* logFile = nullptr;

void writeLocked(const char* format, va_list args)
{
    std::fprintf(logFile, "%08x:%08x ", platform::tickCount(), platform::threadId());
    std::vfprintf(logFile, format, args);
    std::fflush(logFile);
}

void writeLocked(const char* text)
{
    std::fprintf(logFile, "%08x:%08x %s", platform::tickCount(), platform::threadId(), text);
    std::fflush(logFile);
}

} // namespace

void logLine(const char* format, ...)
{
    std::lock_guard lock(logMutex);
    if (!logFile)
        return;
    va_list args;
    va_start(args, format);
    writeLocked(format, args);
    va_end(args);
}

bool enableLogging(const char* path)
{
    std::lock_guard lock(logMutex);
    if (logFile) {
        writeLocked("OrloUSB DLL Logging turned off\n");
        std::fclose(logFile);
        logFile = nullptr;
    }
    if (!path)
        return false;
    logFile = platform::openLogFile(path);
    if (!logFile)
        return false;
    writeLocked("OrloUSB DLL Logging Started\n");
    return true;
}

void closeLogOnUnload(LogLock how)
{
    std::unique_lock lock(logMutex, std::defer_lock);
    if (how == LogLock::tryOnly) {
        if (!lock.try_lock())
            return;
    } else {
        lock.lock();
    }
    if (!logFile)
        return;
    writeLocked("OrloUSB DLL Unloaded\n");
    std::fclose(logFile);
    logFile = nullptr;
}

} // namespace ousb

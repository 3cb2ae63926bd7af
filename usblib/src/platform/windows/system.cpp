// Clock, thread ids, error codes and the log file on Windows.
#include "../platform.h"
#include "windows_system.h"

namespace ousb::platform {

uint32_t tickCount()
{
    return GetTickCount();
}

uint32_t threadId()
{
    return GetCurrentThreadId();
}

int invalidHandleError()
{
    return ERROR_INVALID_HANDLE;
}

int timeoutError()
{
    return WAIT_TIMEOUT;
}

FILE* openLogFile(const char* path)
{
    return std::fopen(path, "wN"); // msvcrt: not inherited
}

} // namespace ousb::platform

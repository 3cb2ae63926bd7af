// Clock, thread ids, error codes and the log file on Linux.
#include "../platform.h"

#include <cerrno>
#include <ctime>
#include <sys/syscall.h>
#include <unistd.h>

namespace ousb::platform {

uint32_t tickCount()
{
    timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint32_t(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

uint32_t threadId()
{
    return uint32_t(::syscall(SYS_gettid));
}

int invalidHandleError()
{
    return EBADF;
}

int timeoutError()
{
    return ETIMEDOUT;
}

FILE* openLogFile(const char* path)
{
    return std::fopen(path, "we"); // glibc: O_CLOEXEC
}

} // namespace ousb::platform

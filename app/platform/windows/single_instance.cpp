#include "single_instance.h"

#include <windows.h>

#include <cstdio>

namespace {

const char* const mutexName = "zq40 named mutex";

std::wstring wide(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n);
    return out;
}

} // namespace

// A named mutex: the system closes its handle when the process ends.
struct SingleInstance::Guard {
    HANDLE mutex = nullptr;
    ~Guard()
    {
        if (mutex)
            CloseHandle(mutex);
    }
};

std::string SingleInstance::defaultLockPath()
{
    // Without a prefix the name lives in the session's own namespace: one
    // copy per logged-in user.
    return mutexName;
}

SingleInstance::SingleInstance(const std::string& lockPath)
    : guard(std::make_unique<Guard>())
{
    guard->mutex = CreateMutexW(nullptr, FALSE, wide(lockPath).c_str());
    const DWORD error = GetLastError();
    if (!guard->mutex) {
        std::fprintf(stderr,
                     "zq40panel: cannot make the mutex %s (error %lu); starting without the single-instance guard\n",
                     lockPath.c_str(), static_cast<unsigned long>(error));
        return;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        otherRunning = true;
        CloseHandle(guard->mutex);
        guard->mutex = nullptr;
        return;
    }
    held = true;
}

SingleInstance::~SingleInstance() = default;

// Load and unload of orlousb.dll.
//
// DllMain runs under the loader lock, so nothing here waits for a thread:
// a thread needs that lock to start and to end. At attach the worker and the
// window thread are created and left to start once the lock is free. The DLL
// pins itself at attach, so FreeLibrary never unmaps code those threads run:
// the detach then only ever comes at process exit, when the system has ended
// every other thread already, and it signals the threads, writes the unload
// line and closes the log without waiting for anyone.
#include "../../core/lifecycle.h"
#include "windows_system.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH: {
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(&DllMain), &self);
        ousb::startLibrary();
        break;
    }
    case DLL_PROCESS_DETACH:
        ousb::stopLibrary(ousb::StopMode::signalOnly);
        break;
    default:
        break;
    }
    return TRUE;
}

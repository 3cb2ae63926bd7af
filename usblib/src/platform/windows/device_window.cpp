// The hidden window: its thread registers the class "OrloUSBLibraryClass",
// creates the never-shown top-level window "OrloUSBLibrary" and turns every
// WM_DEVICECHANGE into a rescan request for the worker.
//
// Top-level windows get the system's DBT_DEVNODES_CHANGED broadcast. The
// window also registers for the HID interface class with
// RegisterDeviceNotificationW: that brings arrivals and removals with the
// interface's path, which is what moves a path's appearance count on (Wine
// sends no broadcast for a removal, and Windows gives a replugged interface
// its old path). CM_Register_Notification (Windows 8 and later) would do the
// same without a window; the window works on every Windows and under Wine.
// The W form is used because Wine's A form hands over wide names.
#include "windows_system.h"

#include <dbt.h>

#include <atomic>

namespace ousb::platform::windows {

namespace {

constexpr char kClassName[] = "OrloUSBLibraryClass";
constexpr char kWindowName[] = "OrloUSBLibrary";

struct DeviceWindow {
    std::atomic<bool> stopping{false};
    std::atomic<HWND> window{nullptr};
};

DeviceWindow state;

std::string narrow(const wchar_t* text)
{
    char buffer[512] = {};
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    return n > 0 ? std::string(buffer) : std::string();
}

void noteRemoval(WPARAM event, LPARAM data)
{
    if (event != DBT_DEVICEREMOVECOMPLETE || !data)
        return;
    auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return;
    noteDeparture(narrow(reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(data)->dbcc_name));
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DEVICECHANGE:
        noteRemoval(wParam, lParam);
        requestRescanFromWindow();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

DWORD WINAPI windowThread(void*)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = "OrloUSBLibraryMenu";
    windowClass.lpszClassName = kClassName;
    RegisterClassExA(&windowClass);
    HWND window = CreateWindowExA(0, kClassName, kWindowName, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                                  nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    HidD_GetHidGuid(&filter.dbcc_classguid);
    HDEVNOTIFY notification = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    state.window = window;
    // A stop that came before the window existed had nothing to post to.
    if (state.stopping)
        PostMessageA(window, WM_CLOSE, 0, 0);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (notification)
        UnregisterDeviceNotification(notification);
    state.window = nullptr;
    if (IsWindow(window))
        DestroyWindow(window);
    return 0;
}

} // namespace

bool startDeviceWindow()
{
    state.stopping = false;
    // Not waited for: under DllMain the thread starts once the loader lock is free.
    HANDLE thread = CreateThread(nullptr, 0, windowThread, nullptr, 0, nullptr);
    if (!thread)
        return false;
    CloseHandle(thread);
    return true;
}

void stopDeviceWindow()
{
    state.stopping = true;
    // WM_CLOSE destroys the window, and its WM_DESTROY ends the loop.
    if (HWND window = state.window)
        PostMessageA(window, WM_CLOSE, 0, 0);
}

} // namespace ousb::platform::windows

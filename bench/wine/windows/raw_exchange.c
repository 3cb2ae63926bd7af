/*
 * Status exchanges with a ZQ40 interface through plain overlapped Win32
 * calls: what orlousb.dll is measured against under Wine. With "writes",
 * only writes (child deselects, which the unit never answers): what a
 * synchronous write costs.
 *
 *   raw_exchange N [PATH-PART [writes]]    prints "raw DONE SECONDS"
 */
#include <windows.h>

#include <hidsdi.h>
#include <setupapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The first interface of the maker whose path contains `part`. */
static HANDLE open_unit(const char* part)
{
    GUID guid;
    HidD_GetHidGuid(&guid);
    HDEVINFO set = SetupDiGetClassDevsA(&guid, NULL, NULL, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    HANDLE h = INVALID_HANDLE_VALUE;
    SP_DEVICE_INTERFACE_DATA data;
    data.cbSize = sizeof data;
    for (DWORD i = 0; h == INVALID_HANDLE_VALUE && SetupDiEnumDeviceInterfaces(set, NULL, &guid, i, &data); ++i) {
        union {
            SP_DEVICE_INTERFACE_DETAIL_DATA_A detail;
            char bytes[2056];
        } buffer;
        buffer.detail.cbSize = sizeof buffer.detail;
        if (SetupDiGetDeviceInterfaceDetailA(set, &data, &buffer.detail, sizeof buffer, NULL, NULL) &&
            strstr(buffer.detail.DevicePath, "vid_3a5b") && strstr(buffer.detail.DevicePath, part))
            h = CreateFileA(buffer.detail.DevicePath, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED, NULL);
    }
    SetupDiDestroyDeviceInfoList(set);
    return h;
}

/* One overlapped transfer, waited for at most 4 s. */
static BOOL transfer(HANDLE h, BOOL write, unsigned char* bytes, OVERLAPPED* ov)
{
    DWORD n = 0;
    ResetEvent(ov->hEvent);
    BOOL ok = write ? WriteFile(h, bytes, 65, &n, ov) : ReadFile(h, bytes, 65, &n, ov);
    if (!ok && GetLastError() != ERROR_IO_PENDING)
        return FALSE;
    if (WaitForSingleObject(ov->hEvent, 4000) != WAIT_OBJECT_0) {
        CancelIo(h);
        return FALSE;
    }
    return GetOverlappedResult(h, ov, &n, FALSE) && n > 0;
}

int main(int argc, char** argv)
{
    int count = argc > 1 ? atoi(argv[1]) : 20000;
    const char* part = argc > 2 ? argv[2] : "";
    const BOOL writesOnly = argc > 3 && strcmp(argv[3], "writes") == 0;
    HANDLE h = open_unit(part);
    if (h == INVALID_HANDLE_VALUE) {
        printf("raw 0 0 (no unit)\n");
        return 1;
    }
    unsigned char out[65] = {0, 10, 0xEF, 0xBE, 0xAD, 0xDE, 0x80};
    unsigned char deselect[65] = {0, 32, 0xEF, 0xBE, 0xAD, 0xDE, 0};
    unsigned char in[65];
    OVERLAPPED ov;
    memset(&ov, 0, sizeof ov);
    ov.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    int done = 0;
    for (; done < count; ++done) {
        if (writesOnly) {
            if (!transfer(h, TRUE, deselect, &ov))
                break;
            continue;
        }
        if (!transfer(h, TRUE, out, &ov))
            break;
        do
            memset(in, 0, sizeof in);
        while (transfer(h, FALSE, in, &ov) && in[1] != 10);
        if (in[1] != 10)
            break;
    }
    QueryPerformanceCounter(&end);
    printf("raw %d %.6f\n", done, (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart);
    fflush(stdout);
    CloseHandle(h);
    return done == count ? 0 : 1;
}

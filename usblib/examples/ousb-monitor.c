/*
 * ousb-monitor: prints ZQ40 units and their child devices as they come and
 * go, and every report they send. Written in plain C99 against orlousb.h.
 *
 *   ousb-monitor [--log FILE] [--seconds N]
 */
#include "orlousb.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>

static HANDLE stop_event;

static BOOL WINAPI on_console_event(DWORD type)
{
    (void)type;
    SetEvent(stop_event);
    return TRUE;
}

/* Until Ctrl-C, or for `seconds` when that is above 0. */
static void wait_for_stop(int seconds)
{
    stop_event = CreateEventA(NULL, TRUE, FALSE, NULL);
    SetConsoleCtrlHandler(on_console_event, TRUE);
    WaitForSingleObject(stop_event, seconds > 0 ? (DWORD)seconds * 1000u : INFINITE);
}
#else
#include <signal.h>
#include <unistd.h>

static volatile sig_atomic_t stop_requested;

static void on_signal(int sig)
{
    (void)sig;
    stop_requested = 1;
}

static void wait_for_stop(int seconds)
{
    /* Signals stay blocked except inside sigsuspend, so none is missed. */
    sigset_t block, old;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGALRM);
    sigprocmask(SIG_BLOCK, &block, &old);
    signal(SIGINT, on_signal);
    signal(SIGTERM, on_signal);
    signal(SIGALRM, on_signal);
    if (seconds > 0)
        alarm((unsigned)seconds);
    while (!stop_requested)
        sigsuspend(&old);
}
#endif

static void print_version(const char* what, ousb_handle_t h, const ousb_device_info_t* info)
{
    printf("%s %p '%s' PID %u perID %u ser %u ver %u.%u.%u.%u hw rev %u\n", what, h, info->name, (unsigned)info->PID,
           (unsigned)info->perID, (unsigned)info->ser, (unsigned)(info->ver >> 24), (unsigned)(info->ver >> 16 & 0xFF),
           (unsigned)(info->ver >> 8 & 0xFF), (unsigned)(info->ver & 0xFF), (unsigned)info->word1);
    fflush(stdout);
}

static void on_report(ousb_handle_t h, hid_report_t* report)
{
    printf("report   %p msgID %u cnt %u cmd %u\n", h, report->msgID, report->cnt & OUSB_CNT_MASK, report->payload[0]);
    fflush(stdout);
}

static void on_connect(ousb_handle_t h, ousb_device_info_t* info)
{
    print_version("connect ", h, info);
    ousb_RegisterReadReportCallback(h, on_report);
}

static void on_disconnect(ousb_handle_t h, ousb_device_info_t* info)
{
    print_version("gone    ", h, info);
}

static void print_child(const char* what, ousb_handle_t h, const ousb_child_device_info_t* child)
{
    unsigned key = (unsigned)(child->childID[0] << 8 | child->childID[1]); /* high byte first */
    unsigned v = (unsigned)child->info[8] | (unsigned)child->info[9] << 8 | (unsigned)child->info[10] << 16 |
        (unsigned)child->info[11] << 24;
    printf("%s %p child %u model %u '%s' ver %u.%u.%u.%u\n", what, h, key, (unsigned)child->model, child->name, v >> 24,
           v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF);
    fflush(stdout);
}

static void on_child_connect(ousb_handle_t h, ousb_child_device_info_t* child)
{
    print_child("child+  ", h, child);
}

static void on_child_disconnect(ousb_handle_t h, ousb_child_device_info_t* child)
{
    print_child("child-  ", h, child);
}

int main(int argc, char** argv)
{
    int seconds = 0;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
            if (!ousb_EnableLogging(argv[++i]))
                fprintf(stderr, "ousb-monitor: cannot open log %s\n", argv[i]);
        } else if (strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = atoi(argv[++i]);
        } else {
            fprintf(stderr, "usage: ousb-monitor [--log FILE] [--seconds N]\n");
            return 2;
        }
    }
    ousb_RegisterDeviceConnect(on_connect);
    ousb_RegisterDeviceDisconnect(on_disconnect);
    ousb_RegisterChildDeviceConnect(on_child_connect);
    ousb_RegisterChildDeviceDisconnect(on_child_disconnect);
    ousb_EnumerateDevices();
    printf("watching for ZQ40 units (vendor id %04x); Ctrl-C ends\n", OUSB_VENDOR_ID);
    fflush(stdout);

    wait_for_stop(seconds);

    ousb_UnregisterDeviceConnect(on_connect);
    ousb_UnregisterDeviceDisconnect(on_disconnect);
    ousb_UnregisterChildDeviceConnect(on_child_connect);
    ousb_UnregisterChildDeviceDisconnect(on_child_disconnect);
    return 0;
}

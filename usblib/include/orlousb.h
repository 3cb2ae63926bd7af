/*
 * orlousb: USB HID access to ZQ40 mixers and their child devices.
 *
 * The library finds the mixer's HID interfaces, keeps one record per open
 * interface, moves 64-byte reports in both directions, wraps the device
 * commands, announces devices and child devices through callbacks, and
 * updates device firmware from an obin container in the caller's memory.
 *
 * Callbacks (connect, disconnect, child connect/disconnect, read report) run
 * on the library's own worker thread; the progress callback runs on the thread
 * that called the update function.
 */
#ifndef ORLOUSB_H
#define ORLOUSB_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && defined(OUSB_BUILDING_DLL)
#define OUSB_API __declspec(dllexport)
#elif defined(_WIN32)
#define OUSB_API __declspec(dllimport)
#elif defined(__GNUC__)
#define OUSB_API __attribute__((visibility("default")))
#else
#define OUSB_API
#endif

/* The maker's USB vendor id: every interface with another vendor id is ignored. */
#define OUSB_VENDOR_ID 0x3A5B

/* Tag of every report the library builds itself, required in the replies. */
#define OUSB_TAG 0xDEADBEEFu

/* msgID values of the HID link. */
#define OUSB_MSG_VERSION 1
#define OUSB_MSG_STATUS 10
#define OUSB_MSG_SET_FLASH_PARAMS 20
#define OUSB_MSG_GET_FLASH_PARAMS 21
#define OUSB_MSG_REBOOT 22
#define OUSB_MSG_START_BOOTLOADER 23
#define OUSB_MSG_BOOTLOADER_TUNNEL 24
#define OUSB_MSG_CHILD_SELECT 32
#define OUSB_MSG_ENUMERATE_CHILDREN 33
#define OUSB_MSG_CHILD_CONNECT 34
#define OUSB_MSG_CHILD_DISCONNECT 35
#define OUSB_MSG_PARAMETER_WRITE 48
#define OUSB_MSG_PARAMETER_REPORT 49

/* Byte 5 of a report: bits 0-5 cnt, bit 6 reserved, bit 7 reply. */
#define OUSB_CNT_MASK 0x3Fu
#define OUSB_REPLY_FLAG 0x80u

#define OUSB_REPORT_SIZE 64
#define OUSB_PAYLOAD_SIZE 58

/* Opaque handle: the address of the library's device record. */
typedef void* ousb_handle_t;

/* One report. Only the first 64 bytes travel; the rest is the caller's room. */
#pragma pack(push, 1)
typedef struct hid_report_t {
    uint8_t msgID;
    uint32_t tag;
    uint8_t cnt; /* bits 0-5 cnt, bit 7 reply */
    uint8_t payload[OUSB_PAYLOAD_SIZE];
    uint8_t reserved[188]; /* never sent nor filled by the library */
} hid_report_t;

/* The 24-byte version block a device answers to a version request. */
typedef struct ousb_version_block_t {
    uint32_t perID;
    uint32_t word1;
    uint32_t word2;
    uint32_t ver; /* a.b.c.d, a in the most significant byte */
    uint32_t ser;
    uint32_t word5;
} ousb_version_block_t;

typedef struct ousb_device_info_t {
    uint32_t PID;
    uint32_t perID;
    uint32_t word1;
    uint32_t word2;
    uint32_t ver;
    uint32_t ser;
    uint32_t word5;
    char* name; /* product string, NUL-terminated */
} ousb_device_info_t;

typedef struct ousb_child_device_info_t {
    uint8_t childID[2];
    uint32_t model;
    uint8_t info[16];
    char* name; /* model name, or "???" */
} ousb_child_device_info_t;
#pragma pack(pop)

typedef int obin_updater_error_t;

typedef void (*ousb_device_connect_cb)(ousb_handle_t handle, ousb_device_info_t* info);
typedef void (*ousb_device_disconnect_cb)(ousb_handle_t handle, ousb_device_info_t* info);
typedef void (*ousb_child_connect_cb)(ousb_handle_t handle, ousb_child_device_info_t* child);
typedef void (*ousb_child_disconnect_cb)(ousb_handle_t handle, ousb_child_device_info_t* child);
typedef void (*ousb_read_report_cb)(ousb_handle_t handle, hid_report_t* report);
typedef void (*ousb_progress_cb)(uint8_t progress, obin_updater_error_t code);

/* Registration: one slot per kind; registering replaces. */
OUSB_API uint8_t ousb_RegisterDeviceConnect(ousb_device_connect_cb cb);
OUSB_API uint8_t ousb_UnregisterDeviceConnect(ousb_device_connect_cb cb);
OUSB_API uint8_t ousb_RegisterDeviceDisconnect(ousb_device_disconnect_cb cb);
OUSB_API uint8_t ousb_UnregisterDeviceDisconnect(ousb_device_disconnect_cb cb);
OUSB_API uint8_t ousb_RegisterChildDeviceConnect(ousb_child_connect_cb cb);
OUSB_API uint8_t ousb_UnregisterChildDeviceConnect(ousb_child_connect_cb cb);
OUSB_API uint8_t ousb_RegisterChildDeviceDisconnect(ousb_child_disconnect_cb cb);
OUSB_API uint8_t ousb_UnregisterChildDeviceDisconnect(ousb_child_disconnect_cb cb);
OUSB_API uint8_t ousb_RegisterReadReportCallback(ousb_handle_t handle, ousb_read_report_cb cb);
OUSB_API uint8_t ousb_UnregisterReadReportCallback(ousb_handle_t handle, ousb_read_report_cb cb);

/* Discovery and lookup. */
OUSB_API uint8_t ousb_EnumerateDevices(void);
OUSB_API ousb_handle_t ousb_FindDeviceByName(const char* name);
/* Lending the devices to another program: release has the library's thread
   close every device, then announce each as disconnected, and leave them
   alone, hot-plug included, until reclaim finds them again. Release returns
   at once: 1, or 0 during a firmware update. */
OUSB_API uint8_t ousb_ReleaseDevices(void);
OUSB_API uint8_t ousb_ReclaimDevices(void);

/* Report I/O: reads and writes block for at most 4000 ms. */
OUSB_API uint8_t ousb_WriteReport(ousb_handle_t handle, const hid_report_t* report);
OUSB_API uint8_t ousb_ReadReport(ousb_handle_t handle, hid_report_t* report);
OUSB_API uint8_t ousb_Transaction(ousb_handle_t handle, const hid_report_t* request, hid_report_t* reply);

/* Device commands. */
OUSB_API uint8_t ousb_GetStatusInfo(ousb_handle_t handle, uint8_t* status);
OUSB_API uint8_t ousb_GetVersionInfo(ousb_handle_t handle, uint8_t* block);
OUSB_API uint8_t ousb_GetFlashParams(ousb_handle_t handle, uint32_t* params);
OUSB_API uint8_t ousb_SetFlashParams(ousb_handle_t handle, const uint32_t* params);
OUSB_API uint8_t ousb_RebootDevice(ousb_handle_t handle);
OUSB_API uint8_t ousb_StartBootloader(ousb_handle_t handle);
OUSB_API uint8_t ousb_RequestDeviceVersion(ousb_handle_t handle);
OUSB_API uint8_t ousb_EnumerateChildDevices(ousb_handle_t handle);

/* Firmware update: blocks until done. */
OUSB_API uint8_t ousb_UpdateDeviceFirmware(ousb_handle_t handle, uint8_t* image, uint32_t length, uint8_t force,
                                           ousb_progress_cb progress);
OUSB_API uint8_t ousb_UpdateChildDeviceFirmware(ousb_handle_t handle, uint16_t childID, uint8_t* image, uint32_t length,
                                                uint8_t force, ousb_progress_cb progress);

/* Text and logging. */
OUSB_API const char* ousb_ErrorCodeToString(obin_updater_error_t code);
OUSB_API uint8_t ousb_EnableLogging(const char* path);

#ifdef __cplusplus
}
#endif

#endif /* ORLOUSB_H */

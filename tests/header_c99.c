/* The public header as a C99 client sees it: it compiles with -std=c99
 * -pedantic, and the records have the layout the application relies on. */
#include "orlousb.h"

#include <stddef.h>

#define LAYOUT_CHECK(name, condition) typedef char layout_check_##name[(condition) ? 1 : -1]

LAYOUT_CHECK(report_size, sizeof(hid_report_t) == 252);
LAYOUT_CHECK(report_tag, offsetof(hid_report_t, tag) == 1);
LAYOUT_CHECK(report_cnt, offsetof(hid_report_t, cnt) == 5);
LAYOUT_CHECK(report_payload, offsetof(hid_report_t, payload) == 6);
LAYOUT_CHECK(report_reserved, offsetof(hid_report_t, reserved) == 64);
LAYOUT_CHECK(info_ver, offsetof(ousb_device_info_t, ver) == 16);
LAYOUT_CHECK(info_name, offsetof(ousb_device_info_t, name) == 28);
LAYOUT_CHECK(info_size, sizeof(ousb_device_info_t) == 28 + sizeof(char*));
LAYOUT_CHECK(child_model, offsetof(ousb_child_device_info_t, model) == 2);
LAYOUT_CHECK(child_info, offsetof(ousb_child_device_info_t, info) == 6);
LAYOUT_CHECK(child_name, offsetof(ousb_child_device_info_t, name) == 22);
LAYOUT_CHECK(handle_is_pointer, sizeof(ousb_handle_t) == sizeof(void*));
LAYOUT_CHECK(version_block, sizeof(ousb_version_block_t) == 24);

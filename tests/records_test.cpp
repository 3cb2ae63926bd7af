// The library's interface without devices: records, texts, registration and
// the refusal of bad arguments.
#include "orlousb.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

void connectA(ousb_handle_t, ousb_device_info_t*)
{
}
void connectB(ousb_handle_t, ousb_device_info_t*)
{
}
void onReport(ousb_handle_t, hid_report_t*)
{
}
void childA(ousb_handle_t, ousb_child_device_info_t*)
{
}

std::vector<std::pair<uint8_t, int>> progressCalls;
void onProgress(uint8_t p, obin_updater_error_t code)
{
    progressCalls.emplace_back(p, code);
}

std::string tempPath(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string(name) + std::to_string(getpid()))).string();
}

TEST(Records, ErrorTexts)
{
    EXPECT_EQ(ousb_ErrorCodeToString(20), nullptr);
    EXPECT_STREQ(ousb_ErrorCodeToString(88), "Write CRC failure");
    EXPECT_STREQ(ousb_ErrorCodeToString(0), "None");
    EXPECT_STREQ(ousb_ErrorCodeToString(59), "Device FLASH responded with busy");
    int withText = 0;
    for (int code = -10; code < 300; ++code)
        withText += ousb_ErrorCodeToString(code) != nullptr;
    EXPECT_EQ(withText, 33);
}

TEST(Registration, UnregisterOnlyTheRegisteredCallback)
{
    EXPECT_TRUE(ousb_RegisterDeviceConnect(connectA));
    EXPECT_FALSE(ousb_UnregisterDeviceConnect(connectB));
    EXPECT_TRUE(ousb_UnregisterDeviceConnect(connectA)); // still in place after the refused call
    EXPECT_FALSE(ousb_UnregisterDeviceConnect(connectA));
    EXPECT_TRUE(ousb_RegisterDeviceConnect(connectA));
    EXPECT_TRUE(ousb_RegisterDeviceConnect(connectB)); // replaces
    EXPECT_FALSE(ousb_UnregisterDeviceConnect(connectA));
    EXPECT_TRUE(ousb_UnregisterDeviceConnect(connectB));

    EXPECT_TRUE(ousb_RegisterChildDeviceConnect(childA));
    EXPECT_FALSE(ousb_UnregisterChildDeviceDisconnect(childA)); // another slot
    EXPECT_TRUE(ousb_UnregisterChildDeviceConnect(childA));
}

TEST(BadArguments, UnknownHandlesAndNullPointersAreRefused)
{
    int local = 0;
    ousb_handle_t bogus = &local;
    hid_report_t report{};
    uint8_t status[2] = {7, 7};
    uint8_t block[24] = {};
    uint32_t params[2] = {};

    EXPECT_FALSE(ousb_RegisterReadReportCallback(bogus, onReport));
    EXPECT_FALSE(ousb_UnregisterReadReportCallback(bogus, onReport));
    EXPECT_FALSE(ousb_WriteReport(bogus, &report));
    EXPECT_FALSE(ousb_WriteReport(nullptr, &report));
    EXPECT_FALSE(ousb_WriteReport(bogus, nullptr));
    EXPECT_FALSE(ousb_ReadReport(bogus, &report));
    EXPECT_FALSE(ousb_ReadReport(bogus, nullptr));
    EXPECT_FALSE(ousb_Transaction(bogus, &report, &report));
    EXPECT_FALSE(ousb_GetStatusInfo(bogus, status));
    EXPECT_EQ(status[0], 7);
    EXPECT_FALSE(ousb_GetStatusInfo(bogus, nullptr));
    EXPECT_FALSE(ousb_GetVersionInfo(bogus, block));
    EXPECT_FALSE(ousb_GetFlashParams(bogus, params));
    EXPECT_FALSE(ousb_SetFlashParams(bogus, params));
    EXPECT_FALSE(ousb_SetFlashParams(bogus, nullptr));
    EXPECT_FALSE(ousb_RebootDevice(bogus));
    EXPECT_FALSE(ousb_StartBootloader(bogus));
    EXPECT_FALSE(ousb_RequestDeviceVersion(bogus));
    EXPECT_FALSE(ousb_EnumerateChildDevices(nullptr));
    EXPECT_EQ(ousb_FindDeviceByName(nullptr), nullptr);
    EXPECT_EQ(ousb_FindDeviceByName("ZQ40"), nullptr);

    uint8_t image[16] = {};
    progressCalls.clear();
    EXPECT_FALSE(ousb_UpdateDeviceFirmware(bogus, image, sizeof image, 0, onProgress));
    ASSERT_EQ(progressCalls.size(), 1u);
    EXPECT_EQ(progressCalls[0], (std::pair<uint8_t, int>(100, 3)));
    EXPECT_FALSE(ousb_UpdateChildDeviceFirmware(bogus, 257, image, sizeof image, 0, onProgress));
}

TEST(Logging, RefusedArgumentsAreLogged)
{
    EXPECT_FALSE(ousb_EnableLogging(nullptr)); // no log open: nothing happens
    std::string path = tempPath("orlousb-log-");
    ASSERT_TRUE(ousb_EnableLogging(path.c_str()));
    int local = 0;
    hid_report_t report{};
    ousb_WriteReport(&local, &report);
    ousb_WriteReport(&local, nullptr);
    ousb_ReadReport(&local, &report);
    ousb_ReadReport(&local, nullptr);
    EXPECT_FALSE(ousb_EnableLogging(nullptr));
    ousb_WriteReport(&local, &report); // after the log closed: not written

    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::filesystem::remove(path);
    ASSERT_EQ(lines.size(), 6u);
    const char* texts[] = {
        "OrloUSB DLL Logging Started",
        "ERROR: ousb_WriteReport() invalid devHandle?",
        "ERROR: ousb_WriteReport() NULL pReport?",
        "ERROR: ousb_ReadReport() invalid devHandle?",
        "ERROR: ousb_ReadReport() NULL pReport?",
        "OrloUSB DLL Logging turned off",
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        // "%08x:%08x " then the text.
        ASSERT_GT(lines[i].size(), 18u);
        EXPECT_EQ(lines[i][8], ':');
        EXPECT_EQ(lines[i][17], ' ');
        EXPECT_EQ(lines[i].find_first_not_of("0123456789abcdef"), 8u) << lines[i];
        EXPECT_EQ(lines[i].substr(18), texts[i]);
    }
}

} // namespace

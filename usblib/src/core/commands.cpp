// Device commands: build the command report, send it, and for queries read
// and check the first report that arrives after it.
#include "commands.h"

#include "library.h"
#include "report_format.h"

#include <iterator>
#include <mutex>

namespace ousb {

namespace {

struct ModelName {
    uint32_t model;
    const char* name;
};

constexpr ModelName kModelNames[] = {
    {1, "Kobo1"},        {2, "Kobo2"},         {3, "Kobo3"},        {4, "Kobo4"},           {5, "Kobo5"},
    {6, "Kobo6"},        {7, "Kobo7"},         {8, "Kobo8"},        {9, "Kobo9"},           {11, "Kobo11"},
    {12, "Kobo12"},      {14, "Kobo14"},       {15, "Kobo15"},      {16, "Kobo16"},         {18, "Kobo18"},
    {23, "Kobo23"},      {200, "Tilo1"},       {201, "Tilo2"},      {202, "Tilo3"},         {901, "Vesk1"},
    {902, "Vesk2"},      {150, "Zeno1 Host"},  {300, "Zeno1 Core"}, {151, "Zeno1 Audio 1"}, {152, "Zeno1 Audio 2"},
    {301, "Pira1 Core"}, {153, "Pira1 Audio"}, {302, "Falko Core"}, {501, "Calla1"},        {502, "Calla2"},
};
static_assert(std::size(kModelNames) == 30);

// Sends a query and checks that the reply has the request's msgID, the
// library's tag and exactly `replyCnt` payload bytes.
bool query(ousb_handle_t handle, uint8_t msgID, uint8_t replyCnt, uint8_t* out, size_t outSize)
{
    if (!out)
        return false;
    hid_report_t report{};
    auto request = commandReport(msgID, 0, true);
    std::memcpy(&report, request.data(), request.size());
    if (!ousb_WriteReport(handle, &report))
        return false;
    if (!ousb_ReadReport(handle, &report))
        return false;
    ReportView reply{reinterpret_cast<const uint8_t*>(&report)};
    if (reply.msgID() != msgID || reply.tag() != OUSB_TAG || reply.cnt() != replyCnt)
        return false;
    std::memcpy(out, reply.payload(), outSize);
    return true;
}

bool sendCommand(ousb_handle_t handle, uint8_t msgID, bool reply)
{
    hid_report_t report{};
    auto command = commandReport(msgID, 0, reply);
    std::memcpy(&report, command.data(), command.size());
    return ousb_WriteReport(handle, &report);
}

} // namespace

const char* modelName(uint32_t model)
{
    for (size_t i = std::size(kModelNames); i-- > 0;)
        if (kModelNames[i].model == model)
            return kModelNames[i].name;
    return "???";
}

bool requestDeviceVersion(Device& device)
{
    return sendCommand(device.handle(), OUSB_MSG_VERSION, true);
}

bool enumerateChildDevices(Device& device)
{
    return ousb_EnumerateChildDevices(device.handle());
}

} // namespace ousb

using namespace ousb;

extern "C" {

uint8_t ousb_GetStatusInfo(ousb_handle_t handle, uint8_t* status)
{
    return query(handle, OUSB_MSG_STATUS, 2, status, 2);
}

uint8_t ousb_GetVersionInfo(ousb_handle_t handle, uint8_t* block)
{
    return query(handle, OUSB_MSG_VERSION, 24, block, 24);
}

uint8_t ousb_GetFlashParams(ousb_handle_t handle, uint32_t* params)
{
    uint8_t bytes[8];
    if (!params || !query(handle, OUSB_MSG_GET_FLASH_PARAMS, 8, bytes, sizeof bytes))
        return false;
    params[0] = readLe32(bytes);
    params[1] = readLe32(bytes + 4);
    return true;
}

uint8_t ousb_SetFlashParams(ousb_handle_t handle, const uint32_t* params)
{
    if (!params)
        return false;
    hid_report_t report{};
    auto command = commandReport(OUSB_MSG_SET_FLASH_PARAMS, 8, true);
    std::memcpy(&report, command.data(), command.size());
    writeLe32(report.payload, params[0]);
    writeLe32(report.payload + 4, params[1]);
    return ousb_WriteReport(handle, &report);
}

uint8_t ousb_RebootDevice(ousb_handle_t handle)
{
    return sendCommand(handle, OUSB_MSG_REBOOT, false);
}

uint8_t ousb_StartBootloader(ousb_handle_t handle)
{
    return sendCommand(handle, OUSB_MSG_START_BOOTLOADER, false);
}

uint8_t ousb_RequestDeviceVersion(ousb_handle_t handle)
{
    return sendCommand(handle, OUSB_MSG_VERSION, true);
}

uint8_t ousb_EnumerateChildDevices(ousb_handle_t handle)
{
    // One transmit record shared with the firmware updater's child-select
    // and tunnel reports.
    std::lock_guard lock(library().transmitMutex);
    auto command = commandReport(OUSB_MSG_ENUMERATE_CHILDREN, 0, false);
    std::memcpy(&library().transmit, command.data(), command.size());
    return ousb_WriteReport(handle, &library().transmit);
}

} // extern "C"

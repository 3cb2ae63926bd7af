// What the window tests with emulated units share: finding the form's
// widgets, units that carry a known set of blocks, reading back what the
// window wrote to a unit, and checking the device list against the registry.
#pragma once

#include "form_child.h"
#include "mainwindow.h"
#include "report_codec.h"

#include <zq40emu/zq40emu.h>

#include <QComboBox>
#include <QFrame>
#include <QTest>

#include <chrono>
#include <set>
#include <vector>

namespace window_on_bus {

// The main-unit firmware the program is made for: 1.1.1.47.
constexpr uint32_t kRequiredFirmware = 0x0101012F;

// A unit named "Hall" with zones 1-3 linked and a few settings off their
// defaults, so that a refresh visibly changes the controls.
inline zq40::ParameterBlocks hallBlocks()
{
    using namespace zq40;
    ParameterBlocks b;
    b.setDefaultParameters(false);
    b.setDeviceNameText("Hall");
    b.set(zoneSetting(2, ZoneSetting::EQLo), 3);
    b.set(pgmLevel(1), -20);
    b.setLevelPosition(4, 25.0f);
    b.updateLevel(4);
    b.setLabel(zoneLabel(1), "Bar");
    b.setZonesLinked(1, true);
    b.setZonesLinked(2, true);
    return b;
}

inline zq40emu::UnitConfig unitConfig(uint32_t serial, uint32_t word5,
                                      const zq40::ParameterBlocks& blocks = hallBlocks())
{
    zq40emu::UnitConfig config;
    config.version.ser = serial;
    config.version.word5 = word5;
    for (uint8_t code : zq40emu::kBlockCodes) {
        const auto block = blocks.block(code);
        config.blocks[code] = std::vector<uint8_t>(block.begin(), block.end());
    }
    return config;
}

inline std::vector<zq40emu::Report> writesOf(const zq40emu::Unit& unit, uint8_t msgId)
{
    std::vector<zq40emu::Report> found;
    for (const auto& r : unit.received())
        if (r.msgId() == msgId)
            found.push_back(r);
    return found;
}

// Waits for the first parameter write, then a little longer for any second.
inline std::vector<zq40emu::Report> parameterWritesAfterEdit(const zq40emu::Unit& unit)
{
    unit.waitForReceived(
        [](const auto& all) {
            for (const auto& r : all)
                if (r.msgId() == OUSB_MSG_PARAMETER_WRITE)
                    return true;
            return false;
        },
        std::chrono::seconds(5));
    QTest::qWait(150);
    return writesOf(unit, OUSB_MSG_PARAMETER_WRITE);
}

inline QString connectedState(MainWindow& window)
{
    return child<QFrame>(window, "frame_connected")->property("connected").toString();
}

// After each test: no unit of the test bed stays plugged for the next one.
inline void unplugAll(zq40emu::Testbed& bed)
{
    for (zq40emu::Unit* unit : bed.units())
        bed.unplug(*unit);
}

// The record of the unit with this serial number, or null.
inline QDevice* recordOf(const MainWindow& window, uint32_t serial)
{
    for (const auto& [handle, device] : window.deviceRegistry().all())
        if (device->pDeviceInfo && device->pDeviceInfo->ser == serial)
            return device;
    return nullptr;
}

// Every list entry after the offline one is a record the registry holds,
// each record is listed once, and the shown record is one of them.
inline bool listMatchesRegistry(MainWindow& window)
{
    auto* list = child<QComboBox>(window, "comboBox_deviceList");
    const auto& records = window.deviceRegistry().all();
    if (list->count() != int(records.size()) + 1 || list->itemData(0).value<QDevice*>() == nullptr)
        return false;
    std::set<QDevice*> listed;
    for (int i = 1; i < list->count(); ++i)
        listed.insert(list->itemData(i).value<QDevice*>());
    for (const auto& [handle, record] : records)
        if (!listed.count(record))
            return false;
    QDevice* shown = window.currentDevice();
    return shown == list->itemData(0).value<QDevice*>() || listed.count(shown);
}

inline bool backOffline(MainWindow& window)
{
    return window.deviceRegistry().all().empty() &&
        child<QComboBox>(window, "comboBox_deviceList")->currentIndex() == 0 &&
        window.windowTitle() == QStringLiteral("Orlo ZQ40 - Working Offline") &&
        connectedState(window) == QStringLiteral("false") && listMatchesRegistry(window);
}

} // namespace window_on_bus

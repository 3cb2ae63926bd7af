// zq40ctl update: the firmware button's flow for each unit in turn, then
// waiting for the unit to return and take back its settings, then its
// outdated children.
#include "tool.h"

#include "child_update_rules.h"
#include "firmware_backup.h"
#include "presentation.h"
#include "progress_display.h"
#include "report_codec.h"

#include <algorithm>
#include <cstdio>

namespace zq40::ctl {

namespace {

// A unit returns from its reboot, is announced, answers and takes back its
// settings well within this.
constexpr int kReturnLimitMs = 20000;

void say(const QString& text)
{
    std::fprintf(stderr, "zq40ctl: %s\n", qPrintable(text));
}

// The keys of the children an update would reach.
std::vector<uint16_t> outdatedChildren(const QDevice& unit)
{
    std::vector<uint16_t> keys;
    for (auto it = unit.children.cbegin(); it != unit.children.cend(); ++it) {
        const ousb_child_device_info_t* child = it.value() ? it.value()->pDeviceInfo : nullptr;
        if (child && firmware::childNeedsUpdate(it.key(), child->model, childVersion(*child)))
            keys.push_back(it.key());
    }
    return keys;
}

QString failure(uint32_t serial, const char* what, int error)
{
    const char* text = error ? ousb_ErrorCodeToString(error) : nullptr;
    return QStringLiteral("unit %1: %2 failed%3")
        .arg(serial)
        .arg(QString::fromLatin1(what))
        .arg(text ? QStringLiteral(" (%1)").arg(QString::fromLatin1(text)) : QString());
}

} // namespace

int Tool::update(const Arguments& a)
{
    std::vector<uint32_t> serials = a.serials;
    if (a.all) {
        waiter.waitForUnits();
        for (const QDevice* unit : waiter.units())
            serials.push_back(unit->pDeviceInfo->ser);
        if (serials.empty())
            return whyMissing(std::nullopt);
    } else if (serials.empty()) {
        QDevice* unit = nullptr;
        if (const int code = pickUnit(a, unit))
            return code;
        serials.push_back(unit->pDeviceInfo->ser);
    } else {
        waiter.waitForUnits();
    }
    int result = kOk;
    for (uint32_t serial : serials) {
        const int code = updateOne(serial);
        if (result == kOk)
            result = code;
    }
    return result;
}

int Tool::updateOne(uint32_t serial)
{
    QDevice* unit = core.session().unitWithSerial(serial);
    if (!unit || !waiter.isReady(unit))
        return whyMissing(serial);

    ProgressDisplay progress;
    FirmwareFlow& flow = core.firmware();
    QDeviceManager& bridge = core.session().registry().bridge();
    // The library reports progress on this thread, inside the update call;
    // the events the update waits for run with each report.
    const auto progressConnection = QObject::connect(&bridge, &QDeviceManager::DoUpdaterProgress, &bridge,
                                                     [&progress](uint8_t percent, obin_updater_error_t error) {
                                                         progress.show(percent, error);
                                                         FirmwareFlow::letEventsRun();
                                                     });
    const auto startConnection =
        QObject::connect(&flow, &FirmwareFlow::DoUpdateStarting, &bridge, [&progress, serial](const QString& status) {
            progress.begin(QStringLiteral("%1 %2").arg(serial).arg(status));
        });
    int result = kOk;
    if (!runsCarriedFirmware(*unit->pDeviceInfo) || unit->bootloaderActive) {
        core.session().setCurrent(unit);
        const FirmwareFlow::Outcome outcome = flow.update(unit);
        progress.end();
        if (outcome.result != FirmwareFlow::Result::UnitUpdated) {
            if (outcome.result == FirmwareFlow::Result::UnitFailed)
                say(failure(serial, "firmware update", progress.error()));
            result = kUnitFailed;
        } else {
            // Back on the carried firmware, with its settings sent back.
            const bool back = waiter.waitUntil(
                [&] {
                    QDevice* u = core.session().unitWithSerial(serial);
                    return u && waiter.isReady(u) && runsCarriedFirmware(*u->pDeviceInfo) &&
                        firmware_backup::existing(serial).isEmpty();
                },
                kReturnLimitMs);
            if (!back) {
                say(QStringLiteral("unit %1 did not come back with its settings after the update").arg(serial));
                result = kUnitFailed;
            }
        }
    }
    unit = core.session().unitWithSerial(serial);
    const std::vector<uint16_t> updated = unit ? outdatedChildren(*unit) : std::vector<uint16_t>{};
    if (result == kOk && !updated.empty()) {
        core.session().setCurrent(unit);
        const FirmwareFlow::Outcome outcome = flow.update(unit);
        progress.end();
        if (outcome.result != FirmwareFlow::Result::ChildrenUpdated) {
            if (outcome.result != FirmwareFlow::Result::TestFirmwareRefused)
                say(failure(serial, "child firmware update", progress.error()));
            result = kUnitFailed;
        } else {
            // The children restart and are announced again.
            waiter.waitUntil(
                [&] {
                    QDevice* u = core.session().unitWithSerial(serial);
                    return u && std::all_of(updated.begin(), updated.end(), [u](uint16_t key) {
                               const QChildDevice* c = u->children.value(key, nullptr);
                               return c && c->pDeviceInfo &&
                                   !firmware::childNeedsUpdate(key, c->pDeviceInfo->model,
                                                               childVersion(*c->pDeviceInfo));
                           });
                },
                kReturnLimitMs);
        }
    }
    QObject::disconnect(progressConnection);
    QObject::disconnect(startConnection);
    unit = core.session().unitWithSerial(serial);
    if (result == kOk && unit)
        std::printf("%u: %s, firmware %s\n", serial, unitFirmwareName(unitFirmware(*unit)),
                    qPrintable(zq40::versionText(unit->pDeviceInfo->word5)));
    return result;
}

} // namespace zq40::ctl

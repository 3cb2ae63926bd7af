// zq40ctl monitor: units and children coming and going, and the blocks units
// report on their own, one line each, until interrupted.
#include "tool.h"

#include "interrupt.h"
#include "output.h"
#include "unit_output.h"
#include "presentation.h"
#include "report_codec.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>
#include <map>

namespace zq40::ctl {

namespace {

class Monitor : public QObject {
public:
    Monitor(PanelCore& core, UnitWaiter& waiter, bool json)
        : core(core)
        , json(json)
    {
        QDevices& registry = core.session().registry();
        connect(&waiter, &UnitWaiter::DoUnitReady, this, &Monitor::unitArrived);
        connect(&registry, &QDevices::DoDeviceOffline, this, &Monitor::unitLeft, Qt::DirectConnection);
        connect(&registry, &QDevices::DoUpdateRemotesList, this, &Monitor::childrenChanged);
        // Queued behind the registry's own delivery: the block is stored by then.
        connect(
            &registry.bridge(), &QDeviceManager::DoDeviceReadReport, this,
            [this](ousb_handle_t handle, const hid_report_t*) { blockCame(handle); }, Qt::QueuedConnection);
    }

private:
    struct Seen {
        uint32_t serial = 0;
        ParameterBlocks blocks;
        std::map<uint16_t, ousb_child_device_info_t> children;
        std::map<uint16_t, QByteArray> childNames;
    };

    void emitEvent(const QJsonObject& event, const QString& text)
    {
        print(json ? QString::fromUtf8(QJsonDocument(event).toJson(QJsonDocument::Compact)) + QLatin1Char('\n')
                   : text + QLatin1Char('\n'));
        std::fflush(stdout);
    }

    void unitArrived(QDevice* unit)
    {
        Seen& seen = units[unit];
        seen.serial = unit->pDeviceInfo->ser;
        seen.blocks = unit->blocks;
        QJsonObject event = unitObject(*unit);
        event.remove(QStringLiteral("children"));
        event.insert(QStringLiteral("event"), QStringLiteral("unit-arrived"));
        emitEvent(event,
                  QStringLiteral("unit %1 arrived: %2, firmware %3 (%4)")
                      .arg(seen.serial)
                      .arg(event[QStringLiteral("name")].toString(), event[QStringLiteral("firmware")].toString(),
                           event[QStringLiteral("state")].toString()));
        childrenChanged();
    }

    void unitLeft(QDevice* unit)
    {
        const auto it = units.find(unit);
        if (it == units.end())
            return;
        emitEvent({{QStringLiteral("event"), QStringLiteral("unit-left")},
                   {QStringLiteral("serial"), qint64(it->second.serial)}},
                  QStringLiteral("unit %1 left").arg(it->second.serial));
        units.erase(it);
    }

    // The registry says only that a child came or went: each unit's
    // children are compared with those seen before.
    void childrenChanged()
    {
        for (auto& [unit, seen] : units) {
            std::map<uint16_t, ousb_child_device_info_t> now;
            for (auto it = unit->children.cbegin(); it != unit->children.cend(); ++it)
                if (it.value() && it.value()->pDeviceInfo)
                    now[it.key()] = *it.value()->pDeviceInfo;
            for (const auto& [key, child] : seen.children)
                if (!now.count(key))
                    emitEvent({{QStringLiteral("event"), QStringLiteral("child-left")},
                               {QStringLiteral("serial"), qint64(seen.serial)},
                               {QStringLiteral("key"), key}},
                              QStringLiteral("unit %1: child %2 left").arg(seen.serial).arg(key));
            for (const auto& [key, child] : now) {
                const auto before = seen.children.find(key);
                if (before != seen.children.end() && std::memcmp(&before->second, &child, 22) == 0)
                    continue;
                QJsonObject event = childObject(child);
                event.insert(QStringLiteral("event"), QStringLiteral("child-arrived"));
                event.insert(QStringLiteral("serial"), qint64(seen.serial));
                emitEvent(event,
                          QStringLiteral("unit %1: child %2 arrived: %3, firmware %4 (%5)")
                              .arg(seen.serial)
                              .arg(key)
                              .arg(event[QStringLiteral("name")].toString(),
                                   event[QStringLiteral("firmware")].toString(),
                                   event[QStringLiteral("state")].toString()));
            }
            seen.children = std::move(now);
        }
    }

    void blockCame(ousb_handle_t handle)
    {
        QDevice* unit = core.session().registry().find(handle);
        const auto it = units.find(unit);
        if (it == units.end() || unit->blocks == it->second.blocks)
            return;
        Seen& seen = it->second;
        QJsonObject changed;
        QStringList text;
        int code = 0;
        for (const Setting& s : allSettings()) {
            if (settingText(s, unit->blocks) == settingText(s, seen.blocks))
                continue;
            code = s.type == SettingType::Number ? s.field.code : s.slot.code;
            changed.insert(QString::fromStdString(s.name()), settingValue(s, unit->blocks));
            text << QString::fromStdString(s.name()) + QLatin1Char('=') + settingText(s, unit->blocks);
        }
        seen.blocks = unit->blocks;
        if (changed.isEmpty())
            return;
        emitEvent({{QStringLiteral("event"), QStringLiteral("block")},
                   {QStringLiteral("serial"), qint64(seen.serial)},
                   {QStringLiteral("code"), code},
                   {QStringLiteral("settings"), changed}},
                  QStringLiteral("unit %1: block %2: %3").arg(seen.serial).arg(code).arg(text.join(QLatin1Char(' '))));
    }

    PanelCore& core;
    bool json;
    std::map<const QDevice*, Seen> units;
};

} // namespace

int Tool::monitor(bool json)
{
    Monitor watching(core, waiter, json);
    quitOnInterrupt();
    ousb_EnumerateDevices();
    QCoreApplication::exec();
    return kOk;
}

} // namespace zq40::ctl

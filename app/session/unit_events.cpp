#include "unit_events.h"

#include "unit_output.h"

#include <QStringList>

#include <cstring>

namespace zq40 {

namespace {

// The bytes of a child's record that say who and what it is.
constexpr size_t kChildInfoBytes = 22;

} // namespace

UnitEvents::UnitEvents(PanelCore& core, UnitWaiter& waiter)
    : core(core)
{
    QDevices& registry = core.session().registry();
    connect(&waiter, &UnitWaiter::DoUnitReady, this, &UnitEvents::unitArrived);
    connect(&registry, &QDevices::DoDeviceOffline, this, &UnitEvents::unitLeft, Qt::DirectConnection);
    connect(&registry, &QDevices::DoUpdateRemotesList, this, &UnitEvents::childrenChanged);
    // Queued behind the registry's own delivery: the block is stored by then.
    connect(
        &registry.bridge(), &QDeviceManager::DoDeviceReadReport, this,
        [this](ousb_handle_t handle, const hid_report_t*) {
            blocksChanged(this->core.session().registry().find(handle));
        },
        Qt::QueuedConnection);
    connect(&core.session(), &UnitSession::DoBlockSent, this, &UnitEvents::blocksChanged);
}

void UnitEvents::unitArrived(QDevice* unit)
{
    Seen& seen = units[unit];
    seen.serial = unit->pDeviceInfo->ser;
    seen.blocks = unit->blocks;
    QJsonObject event = unitObject(*unit);
    event.remove(QStringLiteral("children"));
    event.insert(QStringLiteral("event"), QStringLiteral("unit-arrived"));
    emit DoEvent(event,
                 QStringLiteral("unit %1 arrived: %2, firmware %3 (%4)")
                     .arg(seen.serial)
                     .arg(event[QStringLiteral("name")].toString(), event[QStringLiteral("firmware")].toString(),
                          event[QStringLiteral("state")].toString()));
    childrenChanged();
}

void UnitEvents::unitLeft(QDevice* unit)
{
    const auto it = units.find(unit);
    if (it == units.end())
        return;
    const uint32_t serial = it->second.serial;
    units.erase(it);
    emit DoEvent({{QStringLiteral("event"), QStringLiteral("unit-left")}, {QStringLiteral("serial"), qint64(serial)}},
                 QStringLiteral("unit %1 left").arg(serial));
}

// The registry says only that a child came or went: each unit's children
// are compared with those seen before.
void UnitEvents::childrenChanged()
{
    for (auto& [unit, seen] : units) {
        std::map<uint16_t, ousb_child_device_info_t> now;
        for (auto it = unit->children.cbegin(); it != unit->children.cend(); ++it)
            if (it.value() && it.value()->pDeviceInfo)
                now[it.key()] = *it.value()->pDeviceInfo;
        for (const auto& [key, child] : seen.children)
            if (!now.count(key))
                emit DoEvent({{QStringLiteral("event"), QStringLiteral("child-left")},
                              {QStringLiteral("serial"), qint64(seen.serial)},
                              {QStringLiteral("key"), key}},
                             QStringLiteral("unit %1: child %2 left").arg(seen.serial).arg(key));
        for (const auto& [key, child] : now) {
            const auto before = seen.children.find(key);
            if (before != seen.children.end() && std::memcmp(&before->second, &child, kChildInfoBytes) == 0)
                continue;
            QJsonObject event = childObject(child);
            event.insert(QStringLiteral("event"), QStringLiteral("child-arrived"));
            event.insert(QStringLiteral("serial"), qint64(seen.serial));
            emit DoEvent(event,
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

void UnitEvents::blocksChanged(QDevice* unit)
{
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
    emit DoEvent({{QStringLiteral("event"), QStringLiteral("block")},
                  {QStringLiteral("serial"), qint64(seen.serial)},
                  {QStringLiteral("code"), code},
                  {QStringLiteral("settings"), changed}},
                 QStringLiteral("unit %1: block %2: %3").arg(seen.serial).arg(code).arg(text.join(QLatin1Char(' '))));
}

} // namespace zq40

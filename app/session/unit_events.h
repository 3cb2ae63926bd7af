// What happens to the units, as the front ends tell their watchers: units
// and children coming and going, and settings changing, whether the unit
// reported them on its own or this program sent them. zq40ctl monitor
// prints these events; the service sends them to its pages.
#pragma once

#include "panel_core.h"
#include "parameter_blocks.h"
#include "unit_waiter.h"

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <map>

namespace zq40 {

class UnitEvents : public QObject {
    Q_OBJECT

public:
    UnitEvents(PanelCore& core, UnitWaiter& waiter);

signals:
    // One event: its JSON object ("event" names its kind) and a line for people.
    void DoEvent(const QJsonObject& event, const QString& text);

private:
    struct Seen {
        uint32_t serial = 0;
        ParameterBlocks blocks;
        std::map<uint16_t, ousb_child_device_info_t> children;
    };

    void unitArrived(QDevice* unit);
    void unitLeft(QDevice* unit);
    void childrenChanged();
    void blocksChanged(QDevice* unit);

    PanelCore& core;
    std::map<const QDevice*, Seen> units;
};

} // namespace zq40

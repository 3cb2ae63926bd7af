// What the staff page shows of a unit, decided here and not in the page: one
// card per zone group as the unit groups them (a linked group is one card
// under its group name, an unlinked zone one under its zone name), only the
// zones the installer gave staff, and for each card the sources staff may
// choose. A linked group with any zone staff may not change is left out:
// moving it would move that zone too.
#pragma once

#include "daemon_config.h"

#include <QJsonObject>
#include <QString>

#include <vector>

class QDevice;

namespace zq40 {
struct ParameterBlocks;
}

namespace zq40::daemon {

struct StaffCard {
    QString name;
    std::vector<int> zones;
    // The zone its level and source are read from and changed through: the
    // one the others of a linked group take their fader and source from.
    int zone = 0;
    // Allowed for every zone of the card, in the installer's order.
    std::vector<int> sources;
};

// As the window's source boxes name them, with the programs' own labels.
QString sourceName(const ParameterBlocks& blocks, int source);

std::vector<StaffCard> staffCards(const DaemonConfig& config, const ParameterBlocks& blocks);

// The unit's serial, name, whether it may be edited, and its cards with
// their values under zq40ctl's names.
QJsonObject staffViewObject(const DaemonConfig& config, const QDevice& unit);

} // namespace zq40::daemon

// The units as a front end needs them: it asks the library for
// them and waits until every unit present that it can open has answered,
// with its blocks and its children, or until the library's own limit for an
// answer has passed. Nothing waits longer than the units need.
#pragma once

#include "panel_core.h"
#include "unit_access.h"

#include <QObject>

#include <functional>
#include <map>
#include <set>
#include <vector>

class QEventLoop;

namespace zq40 {

class UnitWaiter : public QObject {
    Q_OBJECT

public:
    explicit UnitWaiter(PanelCore& core);

    // The library's limit for an answer of a unit.
    static constexpr int kAnswerLimitMs = 4000;

    // Asks the library for the units and waits for those present.
    void waitForUnits();

    // The units that answered, by serial number.
    std::vector<QDevice*> units() const;
    bool isReady(const QDevice* unit) const { return ready.count(unit) != 0; }

    // Runs events until `condition` holds, looking again at each event of a
    // unit; false when `timeoutMs` passed first.
    bool waitUntil(const std::function<bool()>& condition, int timeoutMs);

    // The units' nodes as found before waiting, and how many of those this
    // program could open gave no answer.
    const std::vector<UnitNode>& nodes() const { return census; }
    int silentUnits() const;

signals:
    // A unit has answered with its blocks (or is in its bootloader).
    void DoUnitReady(QDevice* unit);

private:
    void statusCame(QDevice* unit);
    void reportCame(ousb_handle_t handle);
    void childHeard(ousb_handle_t parent, const ousb_child_device_info_t& info);
    void becameReady(QDevice* unit);
    void unitLeft(QDevice* unit);
    void check();

    PanelCore& core;
    std::vector<UnitNode> census;
    std::set<const QDevice*> statusSeen;
    std::set<const QDevice*> ready;
    // Children a unit has with its blocks in, still to answer the front
    // end's own enumeration that followed the blocks' request.
    std::map<const QDevice*, std::set<uint16_t>> childrenToHear;
    QEventLoop* loop = nullptr;
    std::function<bool()> condition;
};

} // namespace zq40

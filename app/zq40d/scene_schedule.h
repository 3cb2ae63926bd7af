// Scenes applied by the clock: one timer, armed for the next run due. A run
// that fell due while the service was stopped is not made up, except that
// with catch_up, start-up applies for each unit setting the entry that fell
// due last today. Times are wall-clock times in the schedule's zone: one
// skipped by a change to summer time runs at the first instant after the
// gap, one repeated by the change back runs once, at its first occurrence.
#pragma once

#include "schedule_config.h"

#include <QDateTime>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

namespace zq40::daemon {

class SceneSchedule {
public:
    using Clock = std::function<QDateTime()>; // now, in UTC
    using Run = std::function<void(const SceneScheduleEntry&)>;

    SceneSchedule(ScheduleConfig config, Clock clock, Run run);

    void start();
    // The wall clock was set, or the time zone changed: re-armed from the
    // new time; runs a jump forward passed over are not made up.
    void timeJumped();

    const ScheduleConfig& config() const { return schedules; }
    // The next run of each entry, in the configuration's order, in UTC;
    // invalid for one that never runs again.
    std::vector<QDateTime> nextRuns() const { return next; }

    // When `entry` falls due on the local date `date`, if it does.
    static std::optional<QDateTime> dueOn(const SceneScheduleEntry& entry, const QTimeZone& zone, QDate date);
    // Its first run after `after`.
    static QDateTime nextRun(const SceneScheduleEntry& entry, const QTimeZone& zone, const QDateTime& after);

private:
    void runDue();
    void arm();

    ScheduleConfig schedules;
    Clock clock;
    Run run;
    QTimer timer;
    std::vector<QDateTime> next;
    std::vector<QDateTime> last;
};

} // namespace zq40::daemon

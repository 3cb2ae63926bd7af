#include "scene_schedule.h"

#include <algorithm>
#include <map>

namespace zq40::daemon {

namespace {

// How far ahead a run is looked for: a weekly entry with a year of dates
// excepted still finds its next one.
constexpr int kLookAheadDays = 800;
// The longest a timer waits before it looks at the clock again: within a
// QTimer's range.
constexpr qint64 kLongestWaitMs = 24 * 3600 * 1000;

} // namespace

SceneSchedule::SceneSchedule(ScheduleConfig config, Clock clock, Run run)
    : schedules(std::move(config))
    , clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTimeUtc(); }))
    , run(std::move(run))
    , next(schedules.entries.size())
    , last(schedules.entries.size())
{
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [this] { runDue(); });
}

std::optional<QDateTime> SceneSchedule::dueOn(const SceneScheduleEntry& entry, const QTimeZone& zone, QDate date)
{
    if (!entry.days.contains(date.dayOfWeek()) || entry.except.contains(date))
        return std::nullopt;
    // The wall-clock time read with the offset before and after any change
    // near it; an offset that holds at the instant it gives is a real one.
    const QDateTime wall(date, entry.time, Qt::UTC);
    const int before = zone.offsetFromUtc(wall.addDays(-1));
    const int after = zone.offsetFromUtc(wall.addDays(1));
    std::optional<QDateTime> first;
    for (int offset : {before, after}) {
        const QDateTime at = wall.addSecs(-offset);
        if (zone.offsetFromUtc(at) == offset && (!first || at < *first))
            first = at;
    }
    if (first)
        return first;
    // Skipped: the change itself is the first instant after the gap.
    return zone.previousTransition(wall.addSecs(-before)).atUtc.toUTC();
}

QDateTime SceneSchedule::nextRun(const SceneScheduleEntry& entry, const QTimeZone& zone, const QDateTime& after)
{
    const QDate today = after.toTimeZone(zone).date();
    for (QDate date = today.addDays(-1); date <= today.addDays(kLookAheadDays); date = date.addDays(1)) {
        const std::optional<QDateTime> at = dueOn(entry, zone, date);
        if (at && *at > after)
            return *at;
    }
    return {};
}

void SceneSchedule::start()
{
    const QDateTime now = clock();
    if (schedules.catchUp) {
        // For each unit setting, the entry that fell due last today.
        const QDate today = now.toTimeZone(schedules.timeZone).date();
        std::map<uint32_t, size_t> latest;
        for (size_t i = 0; i < schedules.entries.size(); ++i) {
            const auto at = dueOn(schedules.entries[i], schedules.timeZone, today);
            if (!at || *at > now)
                continue;
            last[i] = *at;
            const auto [place, added] = latest.emplace(schedules.entries[i].unit, i);
            if (!added && last[place->second] <= *at)
                place->second = i;
        }
        for (const auto& [unit, i] : latest)
            run(schedules.entries[i]);
    }
    timeJumped();
}

void SceneSchedule::timeJumped()
{
    const QDateTime now = clock();
    for (size_t i = 0; i < next.size(); ++i)
        next[i] = nextRun(schedules.entries[i], schedules.timeZone, last[i].isValid() && last[i] > now ? last[i] : now);
    arm();
}

void SceneSchedule::runDue()
{
    const QDateTime now = clock();
    for (size_t i = 0; i < next.size(); ++i) {
        if (!next[i].isValid() || next[i] > now)
            continue;
        last[i] = next[i];
        next[i] = nextRun(schedules.entries[i], schedules.timeZone, now);
        run(schedules.entries[i]);
    }
    arm();
}

void SceneSchedule::arm()
{
    const QDateTime now = clock();
    QDateTime soonest;
    for (const QDateTime& at : next)
        if (at.isValid() && (!soonest.isValid() || at < soonest))
            soonest = at;
    if (!soonest.isValid()) {
        timer.stop();
        return;
    }
    timer.start(int(std::clamp(now.msecsTo(soonest), qint64(0), kLongestWaitMs)));
}

} // namespace zq40::daemon

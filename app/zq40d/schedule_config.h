// The scene schedules of zq40d's configuration file: sections
// [schedule.NAME] with scene, unit, time, days and except, and [schedule]
// with the time zone they are read in and whether start-up catches up.
#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QTimeZone>

#include <cstdint>
#include <vector>

class QSettings;

namespace zq40::daemon {

struct SceneScheduleEntry {
    QString name;
    QString scene;
    uint32_t unit = 0;                    // 0: every unit
    QTime time;                           // local, in the schedule's time zone
    QList<int> days{1, 2, 3, 4, 5, 6, 7}; // Qt::DayOfWeek
    QList<QDate> except;
};

struct ScheduleConfig {
    static constexpr int kMaxEntries = 64;

    std::vector<SceneScheduleEntry> entries;
    QTimeZone timeZone = QTimeZone::systemTimeZone();
    bool catchUp = false;
};

// Reads the schedules of `ini` into `config`, adding the keys it knows to
// `known`; false with `error` (without the file's name) at a bad one.
bool readSchedules(const QSettings& ini, ScheduleConfig& config, QStringList& known, QString& error);

} // namespace zq40::daemon

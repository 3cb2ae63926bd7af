#include "schedule_config.h"

#include <QRegularExpression>
#include <QSettings>

#include <algorithm>

namespace zq40::daemon {

namespace {

constexpr const char* kDays[] = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};

bool readBool(const QVariant& value, bool& flag)
{
    const QString text = value.toString().trimmed().toLower();
    if (text != QLatin1String("true") && text != QLatin1String("false"))
        return false;
    flag = text == QLatin1String("true");
    return true;
}

bool readEntry(const QSettings& ini, const QString& section, SceneScheduleEntry& e, QString& error)
{
    const auto value = [&](const char* key) { return ini.value(section + QLatin1Char('/') + QLatin1String(key)); };
    const QString where = QStringLiteral("[%1] ").arg(section);
    e.scene = value("scene").toString();
    if (e.scene.isEmpty()) {
        error = where + QStringLiteral("needs a scene");
        return false;
    }
    const QString unit =
        value("unit").toString().trimmed().isEmpty() ? QStringLiteral("all") : value("unit").toString().trimmed();
    bool ok = unit == QLatin1String("all");
    if (!ok)
        e.unit = unit.toUInt(&ok);
    if (!ok || (unit != QLatin1String("all") && e.unit == 0)) {
        error = where + QStringLiteral("unit is not a serial number or all");
        return false;
    }
    e.time = QTime::fromString(value("time").toString().trimmed(), QStringLiteral("HH:mm"));
    if (!e.time.isValid()) {
        error = where + QStringLiteral("time is not HH:MM");
        return false;
    }
    if (ini.contains(section + QStringLiteral("/days"))) {
        e.days.clear();
        for (const QString& word : value("days").toStringList()) {
            const auto day = std::find(std::begin(kDays), std::end(kDays), word.trimmed().toLower().toStdString());
            if (day == std::end(kDays) || e.days.contains(int(day - std::begin(kDays)) + 1)) {
                error = where + QStringLiteral("days is not a list of mon, tue, wed, thu, fri, sat, sun");
                return false;
            }
            e.days << int(day - std::begin(kDays)) + 1;
        }
    }
    for (const QString& word : value("except").toStringList()) {
        const QDate date = QDate::fromString(word.trimmed(), Qt::ISODate);
        if (!date.isValid() || word.trimmed().size() != 10) {
            error = where + QStringLiteral("except is not a list of dates YYYY-MM-DD");
            return false;
        }
        e.except << date;
    }
    return true;
}

} // namespace

bool readSchedules(const QSettings& ini, ScheduleConfig& config, QStringList& known, QString& error)
{
    known << QStringLiteral("schedule/timezone") << QStringLiteral("schedule/catch_up");
    if (ini.contains(QStringLiteral("schedule/timezone"))) {
        config.timeZone = QTimeZone(ini.value(QStringLiteral("schedule/timezone")).toString().toLatin1());
        if (!config.timeZone.isValid()) {
            error = QStringLiteral("[schedule] timezone is not a time zone such as Europe/Berlin");
            return false;
        }
    }
    if (ini.contains(QStringLiteral("schedule/catch_up")) &&
        !readBool(ini.value(QStringLiteral("schedule/catch_up")), config.catchUp)) {
        error = QStringLiteral("[schedule] catch_up is not true or false");
        return false;
    }
    static const QRegularExpression name(QStringLiteral("^schedule\\.([A-Za-z0-9_-]{1,32})$"));
    for (const QString& section : ini.childGroups()) {
        if (!section.startsWith(QLatin1String("schedule.")))
            continue;
        const QRegularExpressionMatch match = name.match(section);
        if (!match.hasMatch()) {
            error = QStringLiteral("[%1]: a schedule's name is 1 to 32 letters, digits, - and _").arg(section);
            return false;
        }
        if (config.entries.size() >= size_t(ScheduleConfig::kMaxEntries)) {
            error = QStringLiteral("more than %1 schedules").arg(ScheduleConfig::kMaxEntries);
            return false;
        }
        SceneScheduleEntry e;
        e.name = match.captured(1);
        if (!readEntry(ini, section, e, error))
            return false;
        for (const char* key : {"scene", "unit", "time", "days", "except"})
            known << section + QLatin1Char('/') + QLatin1String(key);
        config.entries.push_back(e);
    }
    return true;
}

} // namespace zq40::daemon

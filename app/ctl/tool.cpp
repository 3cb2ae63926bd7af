#include "tool.h"

#include "service_units.h"

#include "output.h"
#include "presentation.h"
#include "setting_edits.h"
#include "unit_output.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

#include <cstdio>

namespace zq40::ctl {

namespace {

void say(const QString& text)
{
    std::fprintf(stderr, "zq40ctl: %s\n", qPrintable(text));
}

QString serialList(const std::vector<QDevice*>& units)
{
    QStringList serials;
    for (const QDevice* u : units)
        serials << QString::number(u->pDeviceInfo->ser);
    return serials.join(QStringLiteral(", "));
}

// The settings named by `names` ("Zone3.Level"); an unknown one is bad usage.
bool namedSettings(const std::vector<std::string>& names, std::vector<const Setting*>& found)
{
    QString error;
    if (!findSettings(names, found, error)) {
        say(error);
        return false;
    }
    return true;
}

} // namespace

Tool::Tool()
    : core(prompter)
    , waiter(core)
{
}

int Tool::run(const Arguments& a)
{
    // Said, and then the units are reported as held, as by any program.
    if (const QString why = borrowUnitsIfServiceHolds("zq40ctl"); !why.isEmpty())
        say(why);
    const std::string& c = a.command;
    if (c == "list")
        return list(a.json);
    if (c == "show")
        return show(a);
    if (c == "get")
        return get(a);
    if (c == "set")
        return set(a);
    if (c == "save")
        return save(a);
    if (c == "load")
        return load(a);
    if (c == "update")
        return update(a);
    return monitor(a.json);
}

int Tool::whyMissing(std::optional<uint32_t> serial)
{
    const QString which = serial ? QStringLiteral("unit %1").arg(*serial) : QStringLiteral("a unit");
    std::vector<std::string> denied;
    for (const UnitNode& node : waiter.nodes()) {
        if (node.denied)
            denied.push_back(node.node);
        for (const NodeHolder& holder : node.otherHolders) {
            if (holder.pid == 0) {
                say(QStringLiteral("%1 may be the one at %2, held by another program")
                        .arg(which, QString::fromStdString(node.node)));
                continue;
            }
            const bool window = holder.program.rfind("zq40panel", 0) == 0;
            say(QStringLiteral("%1 may be the one at %2, which another program holds: %3 (pid %4)%5")
                    .arg(which, QString::fromStdString(node.node), QString::fromStdString(holder.program))
                    .arg(holder.pid)
                    .arg(window ? QStringLiteral(". The window holds the units it lists: close it, or use it.")
                                : QString()));
        }
    }
    for (const UnitNode& node : waiter.nodes())
        if (!node.otherHolders.empty())
            return kUnitHeld;
    if (!denied.empty()) {
        std::fprintf(stderr, "%s\n", qPrintable(accessHintText(denied)));
        return kAccessDenied;
    }
    if (waiter.silentUnits() > 0) {
        say(QStringLiteral("%1 is plugged in but did not answer within %2 s")
                .arg(which)
                .arg(UnitWaiter::kAnswerLimitMs / 1000));
        return kUnitFailed;
    }
    const std::vector<QDevice*> units = waiter.units();
    if (units.empty())
        say(QStringLiteral("no ZQ40 unit is connected"));
    else
        say(QStringLiteral("no unit with serial number %1 (connected: %2)").arg(*serial).arg(serialList(units)));
    return kNoSuchUnit;
}

int Tool::pickUnit(const Arguments& a, QDevice*& unit)
{
    waiter.waitForUnits();
    const std::vector<QDevice*> units = waiter.units();
    if (!a.serials.empty()) {
        unit = core.session().unitWithSerial(a.serials.front());
        if (!unit || !waiter.isReady(unit))
            return whyMissing(a.serials.front());
    } else if (units.size() == 1 && waiter.nodes().size() <= 1) {
        unit = units.front();
    } else if (units.size() > 1) {
        say(QStringLiteral("several units are connected (%1): name one by its serial number").arg(serialList(units)));
        return kNoSuchUnit;
    } else {
        return whyMissing(std::nullopt);
    }
    if (!waiter.isReady(unit)) {
        say(QStringLiteral("unit %1 did not send its settings").arg(unit->pDeviceInfo->ser));
        return kUnitFailed;
    }
    core.session().setCurrent(unit);
    return kOk;
}

int Tool::pickEditableUnit(const Arguments& a, QDevice*& unit, const char* action)
{
    if (const int code = pickUnit(a, unit))
        return code;
    if (!editingAllowed(*unit)) {
        say(QStringLiteral("unit %1 needs a firmware update before %2 (zq40ctl update %1)")
                .arg(unit->pDeviceInfo->ser)
                .arg(QLatin1String(action)));
        return kBadUsage;
    }
    return kOk;
}

int Tool::list(bool json)
{
    waiter.waitForUnits();
    QJsonArray all;
    for (const QDevice* unit : waiter.units())
        all.append(unitObject(*unit));
    if (json) {
        print(QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Indented)));
    } else {
        // One line a unit, its children below it by key.
        QList<QStringList> rows{
            {QStringLiteral("SERIAL"), QStringLiteral("NAME"), QStringLiteral("FIRMWARE"), QStringLiteral("STATE")}};
        for (const QJsonValue& u : all) {
            const QJsonObject unit = u.toObject();
            rows.append({QString::number(unit[QStringLiteral("serial")].toInteger()),
                         unit[QStringLiteral("name")].toString(), unit[QStringLiteral("firmware")].toString(),
                         unit[QStringLiteral("state")].toString()});
            for (const QJsonValue& c : unit[QStringLiteral("children")].toArray()) {
                const QJsonObject child = c.toObject();
                rows.append({QStringLiteral("  %1").arg(child[QStringLiteral("key")].toInt()),
                             child[QStringLiteral("name")].toString(), child[QStringLiteral("firmware")].toString(),
                             child[QStringLiteral("state")].toString()});
            }
        }
        QList<int> widths(rows.front().size(), 0);
        for (const QStringList& row : rows)
            for (int i = 0; i < row.size(); ++i)
                widths[i] = std::max(widths[i], int(row[i].size()));
        for (const QStringList& row : rows) {
            QString line;
            for (int i = 0; i < row.size(); ++i)
                line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
            print(line + QLatin1Char('\n'));
        }
    }
    const bool everyUnitListed = waiter.silentUnits() == 0 &&
        std::all_of(waiter.nodes().begin(), waiter.nodes().end(),
                    [](const UnitNode& n) { return !n.denied && n.otherHolders.empty(); });
    return everyUnitListed ? kOk : whyMissing(std::nullopt);
}

int Tool::show(const Arguments& a)
{
    QDevice* unit = nullptr;
    if (const int code = pickUnit(a, unit))
        return code;
    if (a.json) {
        print(QString::fromUtf8(QJsonDocument(settingsObject(unit->blocks)).toJson(QJsonDocument::Indented)));
        return kOk;
    }
    for (const Setting& s : allSettings())
        print(QString::fromStdString(s.name()) + QLatin1Char('=') + settingText(s, unit->blocks) + QLatin1Char('\n'));
    return kOk;
}

int Tool::get(const Arguments& a)
{
    std::vector<const Setting*> settings;
    if (!namedSettings(a.words, settings))
        return kBadUsage;
    QDevice* unit = nullptr;
    if (const int code = pickUnit(a, unit))
        return code;
    for (const Setting* s : settings)
        print(QString::fromStdString(s->name()) + QLatin1Char('=') + settingText(*s, unit->blocks) + QLatin1Char('\n'));
    return kOk;
}

int Tool::set(const Arguments& a)
{
    // Everything is checked before anything is sent.
    std::vector<NamedValue> values;
    for (const std::string& word : a.words) {
        const size_t eq = word.find('=');
        if (eq == std::string::npos || eq == 0) {
            say(QStringLiteral("%1 is not NAME=VALUE").arg(QString::fromStdString(word)));
            return kBadUsage;
        }
        // Names travel as Latin-1, as the window's name fields convert them.
        values.push_back({word.substr(0, eq), QString::fromLocal8Bit(word.substr(eq + 1)).toLatin1().toStdString(),
                          QString::fromStdString(word)});
    }
    SettingEdits edits;
    QString error;
    if (!checkSettingEdits(values, edits, error)) {
        say(error);
        return kBadUsage;
    }
    QDevice* unit = nullptr;
    if (const int code = pickEditableUnit(a, unit, "its settings can be changed"))
        return code;
    if (!applySettingEdits(core.session(), edits, error)) {
        say(error);
        return kBadUsage;
    }
    return kOk;
}

int Tool::save(const Arguments& a)
{
    QDevice* unit = nullptr;
    if (const int code = pickUnit(a, unit))
        return code;
    prompter.setFile(QString::fromLocal8Bit(a.words.front()));
    return core.configs().save() ? kOk : kBadUsage;
}

int Tool::load(const Arguments& a)
{
    QDevice* unit = nullptr;
    if (const int code = pickEditableUnit(a, unit, "a configuration can be loaded"))
        return code;
    prompter.setFile(QString::fromLocal8Bit(a.words.front()));
    if (!core.configs().open(!a.keepName))
        return kBadUsage;
    // A unit that left on the way got only some of the blocks.
    return core.session().currentDevice() == unit
        ? kOk
        : whyMissing(a.serials.empty() ? std::nullopt : std::optional(a.serials.front()));
}

} // namespace zq40::ctl

#include "scenes.h"

#include "config.h"
#include "config_open.h"
#include "http_listener.h"
#include "panel_core.h"
#include "parameter_fields.h"
#include "qdevice.h"
#include "setting_edits.h"
#include "zone_links.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>

namespace zq40::daemon {

namespace {

constexpr char kScene[] = ".zq40";
constexpr char kScope[] = ".scope";

bool writeWhole(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() && file.commit();
}

// The zones whose Level and Source a levels scene sets on a unit holding
// `blocks`: a linked group only through the zone the others follow, as
// the window's Open conforms it.
std::vector<int> leadingZones(const ParameterBlocks& blocks)
{
    std::vector<int> zones;
    const std::vector<ZoneRange> groups = linkedGroups(blocks);
    for (int zone = 1; zone <= kZones; ++zone) {
        const auto group = std::find_if(groups.begin(), groups.end(),
                                        [zone](ZoneRange g) { return zone >= g.first && zone <= g.last; });
        if (group == groups.end() || conformingZone(blocks, *group) == zone)
            zones.push_back(zone);
    }
    return zones;
}

} // namespace

const char* scopeName(SceneScope scope)
{
    return scope == SceneScope::Levels ? "levels" : "all";
}

std::optional<SceneScope> scopeFromName(const QString& name)
{
    if (name == QLatin1String("all"))
        return SceneScope::All;
    if (name == QLatin1String("levels"))
        return SceneScope::Levels;
    return std::nullopt;
}

Scenes::Scenes(const QString& stateFolder, PanelCore& core, ServicePrompter& prompter, UnitFor unitFor)
    : folder(QDir(stateFolder).filePath(QStringLiteral("scenes")))
    , core(core)
    , prompter(prompter)
    , unitFor(std::move(unitFor))
{
}

bool Scenes::validName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9 _-]{0,30}[A-Za-z0-9_-])?$"));
    return pattern.match(name).hasMatch();
}

QString Scenes::nameRule()
{
    return QStringLiteral("a scene's name is 1 to %1 letters, digits, spaces, - and _, starting with a letter or "
                          "digit and not ending in a space")
        .arg(kMaxNameLength);
}

QStringList Scenes::names() const
{
    QStringList all;
    for (const QString& file : QDir(folder).entryList({QStringLiteral("*.zq40")}, QDir::Files, QDir::Name)) {
        const QString name = file.chopped(int(sizeof kScene) - 1);
        if (validName(name))
            all << name;
    }
    return all;
}

std::optional<SceneScope> Scenes::scope(const QString& name) const
{
    if (!validName(name) || !QFile::exists(path(name, kScene)))
        return std::nullopt;
    QFile file(path(name, kScope));
    // A scene whose scope went missing is sent whole, as it was saved.
    if (!file.open(QIODevice::ReadOnly))
        return SceneScope::All;
    return scopeFromName(QString::fromLatin1(file.read(16)).trimmed()).value_or(SceneScope::All);
}

QString Scenes::store(const QString& name, SceneScope scope, const QByteArray& bytes, const QString& who)
{
    if (!validName(name))
        return nameRule();
    const QStringList all = names();
    if (!all.contains(name)) {
        if (all.contains(name, Qt::CaseInsensitive))
            return QStringLiteral("a scene of that name in other letter case exists");
        if (all.size() >= kMaxScenes)
            return QStringLiteral("there are already %1 scenes: delete one first").arg(kMaxScenes);
    }
    if (bytes.size() > limits::kMaxBodyBytes)
        return QStringLiteral("a scene is at most %1 bytes").arg(limits::kMaxBodyBytes);
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot keep scenes in %1").arg(folder);
    // Checked as the flow will read it, then put in place whole.
    QTemporaryFile file(QDir(folder).filePath(QStringLiteral("new-XXXXXX.tmp")));
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
        return QStringLiteral("cannot keep scenes in %1").arg(folder);
    ParameterBlocks check;
    if (config().read(file.fileName(), check, false) != config::kOk)
        return QStringLiteral("File Error: Unable to Load from File");
    // Renamed over the scene it replaces: never half of either.
    file.close();
    if (!writeWhole(path(name, kScope), scopeName(scope)) ||
        std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path(name, kScene)).constData()))
        return QStringLiteral("cannot keep scenes in %1").arg(folder);
    file.setAutoRemove(false);
    qInfo("zq40d: %s saved scene %s (%s)", qPrintable(who), qPrintable(name), scopeName(scope));
    if (!all.contains(name))
        emit DoScenesChanged();
    return {};
}

QString Scenes::saveFrom(uint32_t serial, const QString& name, SceneScope scope, const QString& who)
{
    QString why;
    QDevice* unit = unitFor(serial, why);
    if (!unit)
        return why;
    return store(name, scope, config().text(unit->blocks, unit->firmwareVersion), who);
}

QString Scenes::apply(uint32_t serial, const QString& name, const QString& who)
{
    const std::optional<SceneScope> kind = scope(name);
    if (!kind)
        return validName(name) ? QStringLiteral("no scene named %1").arg(name) : nameRule();
    QString why;
    QDevice* unit = unitFor(serial, why);
    if (unit && *kind == SceneScope::Levels)
        why = applyLevels(*unit, path(name, kScene));
    else if (unit && !openConfigOnto(core, prompter, unit, path(name, kScene), why) && why.isEmpty())
        why = QStringLiteral("scene %1 was not applied").arg(name);
    else if (unit)
        why.clear(); // notes told on the way are the log's
    if (!why.isEmpty()) {
        qInfo("zq40d: %s could not apply scene %s to unit %u: %s", qPrintable(who), qPrintable(name), serial,
              qPrintable(why));
        return why;
    }
    qInfo("zq40d: %s applied scene %s to unit %u", qPrintable(who), qPrintable(name), serial);
    return {};
}

QString Scenes::remove(const QString& name, const QString& who)
{
    if (!scope(name))
        return validName(name) ? QStringLiteral("no scene named %1").arg(name) : nameRule();
    if (!QFile::remove(path(name, kScene)))
        return QStringLiteral("cannot delete scene %1").arg(name);
    QFile::remove(path(name, kScope));
    qInfo("zq40d: %s deleted scene %s", qPrintable(who), qPrintable(name));
    emit DoScenesChanged();
    return {};
}

QString Scenes::path(const QString& name, const char* suffix) const
{
    return QDir(folder).filePath(name + QLatin1String(suffix));
}

QString Scenes::applyLevels(QDevice& unit, const QString& file)
{
    ParameterBlocks scene = unit.blocks;
    if (config().read(file, scene, false) != config::kOk)
        return QStringLiteral("File Error: Unable to Load from File");
    std::vector<NamedValue> values;
    for (int zone : leadingZones(unit.blocks)) {
        for (const auto& [attribute, field] : {std::pair{"Level", ZoneLevel::Level}, {"Source", ZoneLevel::Source}}) {
            const std::string name = "Zone" + std::to_string(zone) + '.' + attribute;
            const std::string value = std::to_string(scene.get(zoneLevel(zone, field)));
            values.push_back({name, value, QString::fromStdString(name + '=' + value)});
        }
    }
    SettingEdits edits;
    QString why;
    if (!checkSettingEdits(values, edits, why))
        return why;
    core.session().setCurrent(&unit);
    applySettingEdits(core.session(), edits, why);
    return why;
}

} // namespace zq40::daemon

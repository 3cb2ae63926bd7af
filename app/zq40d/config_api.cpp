// A unit's whole configuration as a .zq40 file: read as the window's Save
// writes it, and loaded as the window's Open loads one, by the same flow.
#include "config.h"
#include "config_open.h"
#include "presentation.h"
#include "service.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryFile>

namespace zq40::daemon {

namespace {

// The type the desktop knows .zq40 files by.
constexpr char kFileType[] = "application/x-zq40";

HttpReply refusal(int status, const QString& text)
{
    HttpReply reply;
    reply.status = status;
    reply.body = QJsonDocument(QJsonObject{{QStringLiteral("error"), text}}).toJson(QJsonDocument::Compact);
    return reply;
}

} // namespace

HttpReply Service::unitConfig(uint32_t serial)
{
    QDevice* unit = readyUnit(serial);
    if (!unit)
        return refusal(404, QStringLiteral("no unit with serial number %1").arg(serial));
    // As the window shows it before a Save: with its firmware version.
    core.session().setCurrent(unit);
    HttpReply reply;
    reply.body = zq40::config().text(unit->blocks, unit->firmwareVersion);
    reply.contentType = kFileType;
    reply.headers.append(
        {"Content-Disposition", "attachment; filename=\"zq40-" + QByteArray::number(serial) + ".zq40\""});
    return reply;
}

HttpReply Service::loadConfig(const HttpRequest& r, const Caller& who, uint32_t serial)
{
    if (who.role != Role::Installer)
        return refusal(403, QStringLiteral("staff may not load a configuration"));
    QDevice* unit = readyUnit(serial);
    if (!unit)
        return refusal(404, QStringLiteral("no unit with serial number %1").arg(serial));
    if (!editingAllowed(*unit))
        return refusal(
            409, QStringLiteral("unit %1 needs a firmware update before a configuration can be loaded").arg(serial));
    // The flow opens files: the body becomes one, private to this user. A
    // file the window saves, every name byte escaped, is under 6 KiB: the
    // listener's bound on bodies holds it.
    QTemporaryFile file(QDir::temp().filePath(QStringLiteral("zq40d-XXXXXX.zq40")));
    if (!file.open() || file.write(r.body) != r.body.size() || !file.flush())
        return refusal(500, QStringLiteral("cannot keep the configuration in %1").arg(QDir::tempPath()));
    if (QString warnings; !openConfigOnto(core, prompter, unit, file.fileName(), warnings))
        return refusal(422, warnings);
    qInfo("zq40d: %s loaded a configuration onto unit %u", qPrintable(who.who), serial);
    // Sending lets events run: the unit may have left meanwhile.
    return settings(serial);
}

} // namespace zq40::daemon

#include "config_flow.h"

#include "config.h"
#include "zone_links.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace zq40 {

namespace {

// The window's words: the command-line tool says the same.
QString tr(const char* text)
{
    return QCoreApplication::translate("MainWindow", text);
}

using Answer = Prompter::Answer;
using Severity = Prompter::Severity;

} // namespace

ConfigFlow::ConfigFlow(UnitSession& session, Prompter& prompter)
    : session(session)
    , prompter(prompter)
{
}

QString ConfigFlow::configFolder()
{
    const QString home = QDir::homePath();
    for (const QString& documents : {home + QStringLiteral("/My Documents"), home + QStringLiteral("/Documents")}) {
        if (!QFileInfo(documents).isDir())
            continue;
        const QString folder = documents + QStringLiteral("/ZQ40 Configs");
        QDir().mkpath(folder);
        return folder;
    }
    return home;
}

bool ConfigFlow::open(bool takeName)
{
    const QString path = prompter.fileToOpen(tr("Select Config File"), configFolder(), tr("Config Files (*.zq40)"));
    if (path.isEmpty())
        return false;
    // The dialog ran the event loop: look at the shown record only now, and
    // notice if its unit leaves while a message is open.
    QPointer<QDevice> record = session.currentDevice();
    // Fields the file does not name take their defaults. The record changes
    // only once the file was read in full: a unit's record must keep
    // matching the unit, since each later edit sends a whole block of it.
    ParameterBlocks loaded = record->blocks;
    loaded.setDefaultParameters(!takeName);
    if (config().read(path, loaded, takeName) != config::kOk) {
        prompter.tell(Severity::Warning, tr("File Error"), tr("Unable to Load from File"));
        return false;
    }
    record->blocks = loaded;
    if (!session.isOffline(record))
        conformToLinkedZones(record, true);
    // The links go last: the unit takes the settings before it re-links.
    if (record && session.currentDevice() == record)
        session.sendInOrder(kOpenConfigSends);
    session.redraw();
    return true;
}

bool ConfigFlow::save()
{
    const QString path = prompter.fileToSave(
        tr("Save Config As..."), configFolder() + QStringLiteral("/Unnamed_Config.zq40"), tr("ZQ40 Config (*.zq40)"));
    if (path.isEmpty())
        return false;
    const QDevice* record = session.currentDevice();
    if (config().write(path, record->blocks, record->firmwareVersion) == config::kCannotOpen) {
        // Said aloud: a person who believes the settings are saved may lose them.
        prompter.tell(Severity::Warning, tr("File Error"), tr("Unable to Write to File"));
        return false;
    }
    prompter.tell(Severity::Information, tr("Config Saved"), tr("Config successfully saved as ") + path);
    return true;
}

void ConfigFlow::newConfig()
{
    QDevice& offline = session.offlineRecord();
    if (session.currentDevice() == &offline) {
        const Answer answer = prompter.ask(tr("Save the current config?"),
                                           {Answer::Save, Answer::Discard, Answer::Cancel}, Answer::Discard);
        if (answer == Answer::Cancel)
            return;
        if (answer == Answer::Save) {
            const QString path = prompter.fileToSave(tr("Save Config As..."), QStringLiteral("Unnamed_Config.zq40"),
                                                     tr("ZQ40 Config (*.zq40)"));
            if (path.isEmpty())
                return;
            if (config().write(path, offline.blocks, offline.firmwareVersion) == config::kCannotOpen)
                prompter.tell(Severity::Warning, tr("File Error"), tr("Unable to Write to File"));
            else
                prompter.tell(Severity::Information, tr("Config Saved"),
                              tr("Previous config successfully saved as ") + path);
        }
        offline.blocks.setDefaultParameters(false);
        // Only the offline record may have changed while the boxes were open.
        session.redrawIfShown(&offline);
        return;
    }

    QPointer<QDevice> unit = session.currentDevice();
    const Answer answer = prompter.ask(tr("Would you like to restore Factory Defaults?"),
                                       {Answer::Yes, Answer::WorkOffline, Answer::Cancel}, Answer::Yes);
    if (answer == Answer::WorkOffline) {
        offline.blocks.setDefaultParameters(false);
        offline.blocks.clearZoneLinks();
        session.select(&offline);
        return;
    }
    // The unit may have left while the question was open: nothing to reset.
    if (answer != Answer::Yes || !unit || session.currentDevice() != unit)
        return;
    unit->blocks.setDefaultParameters(true);
    session.sendInOrder(kNewConfigSends);
    session.redraw();
}

void ConfigFlow::openFromPath(const QString& path)
{
    session.setStartupConfig(path);
    if (!QFileInfo::exists(path)) {
        session.setStartupConfig(QString());
        return;
    }
    // Nothing is linked offline and nothing is sent; a file that cannot be
    // read leaves the offline record as it was.
    config().read(path, session.offlineRecord().blocks, true);
    session.redraw();
}

void ConfigFlow::conformToLinkedZones(QDevice* record, bool report)
{
    if (!record)
        return;
    conformToLinks(record->blocks);
    if (report && anyZonesLinked(record->blocks))
        prompter.tell(Severity::Information, tr("Linked Zones"),
                      tr("Some settings may have been adjusted to match Linked Zones."));
}

} // namespace zq40

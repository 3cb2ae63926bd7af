// Scenes: named .zq40 configurations the service keeps in its state folder
// (scenes/NAME.zq40 beside scenes/NAME.scope) and sends to a unit on demand.
// A scene of scope `all` is sent as the window's Open sends a file; one of
// scope `levels` changes only the zones' Level and Source, as a PATCH would.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

class QDevice;

namespace zq40 {
class PanelCore;
}

namespace zq40::daemon {

class ServicePrompter;

enum class SceneScope { All, Levels };

const char* scopeName(SceneScope scope);
std::optional<SceneScope> scopeFromName(const QString& name);

class Scenes : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaxScenes = 64;
    static constexpr qsizetype kMaxNameLength = 32;

    // `unitFor` gives the unit a scene may go to, or why not.
    using UnitFor = std::function<QDevice*(uint32_t serial, QString& why)>;

    Scenes(const QString& stateFolder, PanelCore& core, ServicePrompter& prompter, UnitFor unitFor);

    // 1 to 32 letters, digits, spaces, '-' and '_', starting with a letter
    // or digit and not ending in a space: a file name as it stands.
    static bool validName(const QString& name);
    static QString nameRule();

    QStringList names() const;
    std::optional<SceneScope> scope(const QString& name) const;

    // Each returns an empty string on success, else the refusal text; `who`
    // is for the log.
    QString store(const QString& name, SceneScope scope, const QByteArray& file, const QString& who);
    QString saveFrom(uint32_t serial, const QString& name, SceneScope scope, const QString& who);
    QString apply(uint32_t serial, const QString& name, const QString& who);
    QString remove(const QString& name, const QString& who);

signals:
    void DoScenesChanged();

private:
    QString path(const QString& name, const char* suffix) const;
    QString applyLevels(QDevice& unit, const QString& file);

    QString folder;
    PanelCore& core;
    ServicePrompter& prompter;
    UnitFor unitFor;
};

} // namespace zq40::daemon

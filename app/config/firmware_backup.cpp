#include "firmware_backup.h"

#include "config.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace zq40::firmware_backup {

QString fileName(uint32_t serial)
{
    return QString::number(serial) + QStringLiteral(".zq40");
}

QString folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/zq40panel");
}

QString path(uint32_t serial)
{
    return folder() + QLatin1Char('/') + fileName(serial);
}

QString existing(uint32_t serial)
{
    const QString kept = path(serial);
    if (QFileInfo(kept).isFile())
        return kept;
    const QString old = QDir::current().absoluteFilePath(fileName(serial));
    if (QFileInfo(old).isFile())
        return old;
    return QString();
}

WriteResult writeOnce(uint32_t serial, const ParameterBlocks& blocks, uint32_t firmwareVersion)
{
    if (!existing(serial).isEmpty())
        return WriteResult::Kept;
    const QString file = path(serial);
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return WriteResult::Failed;
    if (config().write(file, blocks, firmwareVersion) != config::kOk)
        return WriteResult::Failed;
    // Read back: the update goes ahead only on a backup that can be restored.
    ParameterBlocks check = blocks;
    if (config().read(file, check, true) != config::kOk) {
        QFile::remove(file);
        return WriteResult::Failed;
    }
    return WriteResult::Written;
}

bool load(const QString& file, ParameterBlocks& blocks)
{
    return config().read(file, blocks, true) == config::kOk;
}

bool remove(const QString& file)
{
    return QFile::remove(file);
}

} // namespace zq40::firmware_backup

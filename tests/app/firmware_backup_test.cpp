// Where a unit's settings are kept across its firmware update: the user's
// data folder, an older copy in the working directory still found, written
// once and never overwritten, and a failed write or a damaged file reported.
#include "config.h"
#include "firmware_backup.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace zq40;

namespace {

ParameterBlocks someSettings(const char* name, int8_t eq)
{
    ParameterBlocks b;
    b.setDefaultParameters(false);
    b.setDeviceNameText(name);
    b.set(zoneSetting(3, ZoneSetting::EQMid), eq);
    return b;
}

QString dataFolder()
{
    return zq40::firmware_backup::folder();
}

} // namespace

class FirmwareBackupTest : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    QString startDir;

private slots:
    void initTestCase()
    {
        // Never the real home's data folder.
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(work.isValid());
        startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
    }

    void init()
    {
        QDir(dataFolder()).removeRecursively();
        QFile::remove(dataFolder());
        for (const QString& f : QDir(work.path()).entryList(QDir::Files))
            QFile::remove(work.filePath(f));
    }

    void cleanupTestCase()
    {
        QDir(dataFolder()).removeRecursively();
        QFile::remove(dataFolder());
        QDir::setCurrent(startDir);
    }

    void backupLivesInTheDataFolderUnderTheSerial()
    {
        QCOMPARE(firmware_backup::fileName(12345), QStringLiteral("12345.zq40"));
        QCOMPARE(firmware_backup::path(12345), dataFolder() + QStringLiteral("/12345.zq40"));
        QVERIFY(!dataFolder().startsWith(work.path()));
        QVERIFY(firmware_backup::existing(12345).isEmpty());

        const ParameterBlocks saved = someSettings("Hall", 4);
        QCOMPARE(firmware_backup::writeOnce(12345, saved, 0x0101012E), firmware_backup::WriteResult::Written);
        QVERIFY(QFile::exists(firmware_backup::path(12345)));
        QVERIFY(!QFile::exists(work.filePath(QStringLiteral("12345.zq40"))));
        QCOMPARE(firmware_backup::existing(12345), firmware_backup::path(12345));

        ParameterBlocks loaded;
        loaded.setDefaultParameters(false);
        QVERIFY(firmware_backup::load(firmware_backup::existing(12345), loaded));
        QCOMPARE(loaded.deviceNameText(), saved.deviceNameText());
        QCOMPARE(loaded.get(zoneSetting(3, ZoneSetting::EQMid)), 4);

        QVERIFY(firmware_backup::remove(firmware_backup::path(12345)));
        QVERIFY(firmware_backup::existing(12345).isEmpty());
    }

    void backupOfAnEarlierAttemptIsNeverOverwritten()
    {
        QCOMPARE(firmware_backup::writeOnce(7, someSettings("First", 2), 0), firmware_backup::WriteResult::Written);
        QCOMPARE(firmware_backup::writeOnce(7, someSettings("Second", -3), 0), firmware_backup::WriteResult::Kept);
        ParameterBlocks loaded;
        loaded.setDefaultParameters(false);
        QVERIFY(firmware_backup::load(firmware_backup::existing(7), loaded));
        QCOMPARE(loaded.deviceNameText(), std::string("First"));
        QCOMPARE(loaded.get(zoneSetting(3, ZoneSetting::EQMid)), 2);
    }

    void backupInTheWorkingDirectoryIsStillFoundAndKept()
    {
        const QString old = work.filePath(QStringLiteral("88.zq40"));
        QVERIFY(config().write(old, someSettings("Old", 5), 0) == config::kOk);
        QCOMPARE(firmware_backup::existing(88), QDir::current().absoluteFilePath(QStringLiteral("88.zq40")));
        // It holds the settings from before the first attempt.
        QCOMPARE(firmware_backup::writeOnce(88, someSettings("New", 1), 0), firmware_backup::WriteResult::Kept);
        QVERIFY(!QFile::exists(firmware_backup::path(88)));

        // The data folder's copy comes first when both exist.
        QVERIFY(QDir().mkpath(dataFolder()));
        QVERIFY(config().write(firmware_backup::path(88), someSettings("Newer", 1), 0) == config::kOk);
        QCOMPARE(firmware_backup::existing(88), firmware_backup::path(88));
    }

    void unwritableDataFolderFailsAndLeavesNothing()
    {
        // A file where the folder should be: the folder cannot be made.
        QVERIFY(QDir().mkpath(QFileInfo(dataFolder()).absolutePath()));
        QFile blocker(dataFolder());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QCOMPARE(firmware_backup::writeOnce(99, someSettings("Hall", 0), 0), firmware_backup::WriteResult::Failed);
        QVERIFY(firmware_backup::existing(99).isEmpty());
        QVERIFY(!QFile::exists(work.filePath(QStringLiteral("99.zq40"))));
    }

    void damagedBackupIsNotLoadedAndStays()
    {
        QVERIFY(QDir().mkpath(dataFolder()));
        QFile damaged(firmware_backup::path(55));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("<Parameters><Zone1 Level=");
        damaged.close();
        ParameterBlocks blocks = someSettings("Kept", 6);
        const ParameterBlocks before = blocks;
        QVERIFY(!firmware_backup::load(firmware_backup::existing(55), blocks));
        QCOMPARE(blocks, before);
        QVERIFY(QFile::exists(firmware_backup::path(55)));
    }
};

QTEST_GUILESS_MAIN(FirmwareBackupTest)
#include "firmware_backup_test.moc"

// One copy per user: the lock itself, and the program started twice.
#include "single_instance.h"
#include "startup_report.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString program = QStringLiteral(ZQ40PANEL_PATH);

// Starts zq40panel offscreen with its lock in `runtimeDir`.
void start(QProcess& process, const QString& runtimeDir, const QStringList& arguments = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    env.insert(QStringLiteral("ZQ40_REPORT_SHOWN"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
}

bool waitUntilShown(QProcess& process, int timeoutMs = 20000)
{
    QByteArray seen;
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (process.state() == QProcess::NotRunning)
            return false;
        process.waitForReadyRead(100);
        seen += process.readAllStandardError();
        if (seen.contains(shownMarker))
            return true;
    }
    return false;
}

void stop(QProcess& process)
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(10000);
    }
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    std::string lockPath() const { return QFile::encodeName(dir.filePath(QStringLiteral("test.lock"))).toStdString(); }

private slots:
    void lockFileInTheRuntimeDirectory()
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
        QCOMPARE(QString::fromStdString(SingleInstance::defaultLockPath()),
                 dir.filePath(QStringLiteral("zq40 named mutex.lock")));
    }

    void lockFileInTmpWithoutARuntimeDirectory_data()
    {
        QTest::addColumn<QByteArray>("runtimeDir");
        QTest::newRow("unset") << QByteArray();
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("relative") << QByteArray("run/user");
        QTest::newRow("missing") << QByteArray("/nonexistent/zq40/run");
    }
    void lockFileInTmpWithoutARuntimeDirectory()
    {
        QFETCH(QByteArray, runtimeDir);
        if (runtimeDir.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", runtimeDir);
        QCOMPARE(QString::fromStdString(SingleInstance::defaultLockPath()),
                 QStringLiteral("/tmp/zq40 named mutex.%1.lock").arg(getuid()));
    }

    void secondHolderSeesTheFirst()
    {
        {
            SingleInstance first(lockPath());
            QVERIFY(first.holdsLock());
            QVERIFY(!first.otherInstanceRunning());
            SingleInstance second(lockPath());
            QVERIFY(second.otherInstanceRunning());
            QVERIFY(!second.holdsLock());
        }
        // Released with its holder.
        SingleInstance third(lockPath());
        QVERIFY(third.holdsLock());
    }

    void symlinkIsNotFollowed()
    {
        const QString target = dir.filePath(QStringLiteral("target"));
        const QString link = dir.filePath(QStringLiteral("link.lock"));
        QVERIFY(QFile::link(target, link));
        SingleInstance guard(QFile::encodeName(link).toStdString());
        // Runs unguarded rather than creating a file somewhere else.
        QVERIFY(!guard.otherInstanceRunning());
        QVERIFY(!guard.holdsLock());
        QVERIFY(!QFile::exists(target));
    }

    void fileOfAnotherUserIsNotTrusted()
    {
        if (geteuid() != 0)
            QSKIP("needs to give a file away to another user");
        const QString path = dir.filePath(QStringLiteral("foreign.lock"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
        SingleInstance guard(QFile::encodeName(path).toStdString());
        QVERIFY(!guard.otherInstanceRunning());
        QVERIFY(!guard.holdsLock());
    }

    void secondCopyLeavesAtOnceWithoutAWindow()
    {
        QTemporaryDir runtime;
        QProcess first;
        start(first, runtime.path());
        QVERIFY2(waitUntilShown(first), first.readAllStandardError().constData());

        for (const QStringList& arguments : {QStringList{}, QStringList{runtime.filePath("some.zq40")}}) {
            QProcess second;
            start(second, runtime.path(), arguments);
            QVERIFY(second.waitForFinished(10000));
            QCOMPARE(second.exitStatus(), QProcess::NormalExit);
            QCOMPARE(second.exitCode(), 0);
            // No window was ever painted, and nothing was said.
            QCOMPARE(second.readAllStandardError(), QByteArray());
        }
        QCOMPARE(first.state(), QProcess::Running);
        stop(first);
    }

    void killedCopyDoesNotBlockTheNext()
    {
        QTemporaryDir runtime;
        QProcess first;
        start(first, runtime.path());
        QVERIFY(waitUntilShown(first));
        stop(first);
        QCOMPARE(first.exitStatus(), QProcess::CrashExit);

        QProcess next;
        start(next, runtime.path());
        QVERIFY2(waitUntilShown(next), next.readAllStandardError().constData());
        stop(next);
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"

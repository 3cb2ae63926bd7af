// --help and --version: answered on the terminal before any lock or window;
// any other first argument stays the configuration file.
#include "command_line.h"
#include "single_instance.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {

const QString program = QStringLiteral(ZQ40PANEL_PATH);

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs zq40panel with no display at all: had it built its QApplication, Qt
// would abort for want of one, so a clean exit proves it never got that far.
Run runWithoutDisplay(const QString& runtimeDir, const QStringList& arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    Run run;
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(5000);
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

zq40::CommandLineAction actionFor(std::vector<const char*> args)
{
    args.insert(args.begin(), "zq40panel");
    return zq40::commandLineAction(int(args.size()), args.data());
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtimeDir;

    // Another copy is running for the whole test: a program that takes the
    // lock before answering leaves silently instead.
    std::unique_ptr<SingleInstance> runningCopy;

private slots:
    void initTestCase()
    {
        QVERIFY(runtimeDir.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));
        runningCopy = std::make_unique<SingleInstance>(SingleInstance::defaultLockPath());
        QVERIFY(runningCopy->holdsLock());
    }

    void firstArgumentDecides_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("action");
        const int run = int(zq40::CommandLineAction::Run);
        const int help = int(zq40::CommandLineAction::ShowHelp);
        const int version = int(zq40::CommandLineAction::ShowVersion);
        QTest::newRow("nothing") << QStringList{} << run;
        QTest::newRow("--help") << QStringList{"--help"} << help;
        QTest::newRow("-h") << QStringList{"-h"} << help;
        QTest::newRow("--version") << QStringList{"--version"} << version;
        QTest::newRow("file") << QStringList{"hall.zq40"} << run;
        QTest::newRow("file then --help") << QStringList{"hall.zq40", "--help"} << run;
        QTest::newRow("Qt option") << QStringList{"-platform", "offscreen"} << run;
        QTest::newRow("--helpful.zq40") << QStringList{"--helpful.zq40"} << run;
    }
    void firstArgumentDecides()
    {
        QFETCH(QStringList, args);
        QFETCH(int, action);
        std::vector<QByteArray> bytes;
        for (const QString& a : args)
            bytes.push_back(a.toLocal8Bit());
        std::vector<const char*> argv;
        for (const QByteArray& b : bytes)
            argv.push_back(b.constData());
        QCOMPARE(int(actionFor(argv)), action);
    }

    void helpOnTheTerminal()
    {
        const Run run = runWithoutDisplay(runtimeDir.path(), {QStringLiteral("--help")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray::fromStdString(zq40::usageText()));
        QVERIFY(run.out.startsWith("Usage: zq40panel [FILE.zq40]\n"));
        QVERIFY(run.out.contains("--version"));
        QVERIFY2(run.err.isEmpty(), run.err.constData());
    }

    void shortHelpToo()
    {
        const Run run = runWithoutDisplay(runtimeDir.path(), {QStringLiteral("-h")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith("Usage: zq40panel"));
    }

    void versionOnTheTerminal()
    {
        const Run run = runWithoutDisplay(runtimeDir.path(), {QStringLiteral("--version")});
        QCOMPARE(run.exitCode, 0);
        // Which firmware a build would write into a unit is part of its version.
        QCOMPARE(run.out, QByteArray("zq40panel 1.1.1\nfirmware catalogue: test firmware, for emulated units only\n"));
        QVERIFY2(run.err.isEmpty(), run.err.constData());
    }

    // A file first: the program goes for the window, finds the copy that is
    // running and leaves quietly, without printing help.
    void fileFirstIsNotAnOption()
    {
        const Run run = runWithoutDisplay(runtimeDir.path(), {QStringLiteral("hall.zq40"), QStringLiteral("--help")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "command_line_test.moc"

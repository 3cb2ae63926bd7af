// The hint about a unit that is plugged in but out of reach: the kernel's
// answer for a user without permission, which nodes count, the message, and
// the window telling once, at start and when such a unit is plugged in.
#include "access_hint.h"

#include <zq40emu/zq40emu.h>

#include <QFile>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {

// deniedToThisProcess() as a user without rights: root is never refused, so
// as root the question is asked from a child that has become "nobody".
bool deniedToUnprivileged(const std::string& path)
{
    if (geteuid() != 0)
        return zq40::deniedToThisProcess(path);
    const pid_t pid = fork();
    if (pid == 0) {
        const gid_t nogroup = 65534;
        if (setgroups(0, nullptr) != 0 || setgid(nogroup) != 0 || setuid(65534) != 0)
            _exit(2);
        _exit(zq40::deniedToThisProcess(path) ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

// A stand-in for the kernel's decision that also holds when the test runs as
// root: a node is refused unless everybody may read and write it.
bool deniedUnlessWorldReadWrite(const std::string& devnode)
{
    struct stat st { };
    return stat(devnode.c_str(), &st) == 0 && (st.st_mode & 0006) != 0006;
}

// The emulated node itself; /dev/hidrawN is redirected there by umockdev.
void setNodeMode(const zq40emu::Testbed& bed, const zq40emu::Unit& unit, mode_t mode)
{
    QVERIFY(chmod((bed.rootDir() + unit.devnode()).c_str(), mode) == 0);
}

zq40emu::UnitConfig unitWithSerial(uint32_t ser)
{
    zq40emu::UnitConfig config;
    config.version.ser = ser;
    return config;
}

int hintBoxes(const QWidget& window)
{
    return int(window.findChildren<QMessageBox*>(QStringLiteral("accessHint")).size());
}

} // namespace

class AccessHintTest : public QObject {
    Q_OBJECT

private slots:
    void kernelRefusesAFileWithoutRights()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // The unprivileged user must reach the files for the mode to decide.
        QVERIFY(chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        const std::string closed = QFile::encodeName(dir.filePath(QStringLiteral("closed"))).toStdString();
        const std::string open = QFile::encodeName(dir.filePath(QStringLiteral("open"))).toStdString();
        QVERIFY(QFile(QString::fromStdString(closed)).open(QIODevice::WriteOnly));
        QVERIFY(QFile(QString::fromStdString(open)).open(QIODevice::WriteOnly));
        QVERIFY(chmod(closed.c_str(), 0) == 0);
        QVERIFY(chmod(open.c_str(), 0666) == 0);

        QVERIFY(deniedToUnprivileged(closed));
        QVERIFY(!deniedToUnprivileged(open));
        // Missing is not refused: there is nothing to tell the user about.
        QVERIFY(!deniedToUnprivileged(closed + ".missing"));
        if (geteuid() == 0)
            QVERIFY(!zq40::deniedToThisProcess(closed));
    }

    void messageSaysWhatToDo()
    {
        const QString text = zq40::accessHintText({"/dev/hidraw3"});
        QVERIFY(text.contains(QStringLiteral("ZQ40")));
        QVERIFY(text.contains(QStringLiteral("/dev/hidraw3")));
        QVERIFY(text.contains(QStringLiteral("70-orlo-zq40.rules")));
        QVERIFY(text.contains(QStringLiteral("/etc/udev/rules.d")));
        QVERIFY(text.contains(QStringLiteral("unplug")));
        QVERIFY(text.contains(QStringLiteral("plug it in again")));
    }

    // Only ZQ40 nodes count, and only those the check refuses.
    void findsUnitNodesThatAreRefused()
    {
        zq40emu::Testbed bed;
        zq40emu::Unit& closed = bed.plug(unitWithSerial(7001));
        zq40emu::Unit& open = bed.plug(unitWithSerial(7002));
        zq40emu::Unit& foreign = bed.plugForeign(0x046D, 0xC52B, "USB Receiver");
        setNodeMode(bed, closed, 0);
        setNodeMode(bed, open, 0666);
        setNodeMode(bed, foreign, 0600);

        const auto refused = zq40::unreachableUnitNodes(deniedUnlessWorldReadWrite);
        QCOMPARE(refused, std::vector<std::string>{closed.devnode()});
        // The kernel agrees about the emulated node, for a user without rights
        // who can reach the test bed (umockdev makes it the owner's alone).
        QVERIFY(chmod(bed.rootDir().c_str(), 0755) == 0);
        QVERIFY(deniedToUnprivileged(closed.devnode()));
        QVERIFY(!deniedToUnprivileged(open.devnode()));

        QVERIFY(zq40::unreachableUnitNodes([](const std::string&) { return false; }).empty());
        const auto all = zq40::unreachableUnitNodes([](const std::string&) { return true; });
        QCOMPARE(all.size(), std::size_t(2));

        // The bootloader of a unit under update is still the same vendor.
        zq40emu::UnitConfig boot = unitWithSerial(7003);
        boot.startInBootloader = true;
        zq40emu::Unit& inBootloader = bed.plug(boot);
        setNodeMode(bed, inBootloader, 0);
        QCOMPARE(zq40::unreachableUnitNodes(deniedUnlessWorldReadWrite).size(), std::size_t(2));
    }

    void toldOnceAtStart()
    {
        zq40emu::Testbed bed;
        zq40emu::Unit& unit = bed.plug(unitWithSerial(7011));
        setNodeMode(bed, unit, 0);
        QVERIFY(chmod(bed.rootDir().c_str(), 0755) == 0);

        QWidget window;
        window.show();
        zq40::AccessHint hint(&window, deniedToUnprivileged);
        QSignalSpy shown(&hint, &zq40::AccessHint::DoHintShown);
        hint.start();
        QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 5000);
        QVERIFY(hint.told());
        QCOMPARE(hintBoxes(window), 1);
        auto* box = window.findChild<QMessageBox*>(QStringLiteral("accessHint"));
        QVERIFY(box->isVisible());
        QVERIFY(!box->isModal() || box->windowModality() != Qt::ApplicationModal);
        QVERIFY(box->text().contains(QString::fromStdString(unit.devnode())));

        // Another closed unit, a later look: no second message.
        zq40emu::Unit& second = bed.plug(unitWithSerial(7012));
        setNodeMode(bed, second, 0);
        hint.check();
        QTest::qWait(300);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(hintBoxes(window), 1);
    }

    void quietWhileUnitsAreReachable()
    {
        zq40emu::Testbed bed;
        zq40emu::Unit& unit = bed.plug(unitWithSerial(7021));
        setNodeMode(bed, unit, 0666);

        QWidget window;
        zq40::AccessHint hint(&window, deniedUnlessWorldReadWrite);
        QSignalSpy shown(&hint, &zq40::AccessHint::DoHintShown);
        hint.start();
        QTest::qWait(300);
        QCOMPARE(shown.count(), 0);
        QCOMPARE(hintBoxes(window), 0);
    }

    // Nothing is polled: the udev "add" of the unit's node brings the look.
    void toldWhenAClosedUnitIsPluggedIn()
    {
        zq40emu::Testbed bed;
        QWidget window;
        // The node the test is about to plug is closed before it is seen.
        int looks = 0;
        zq40::AccessHint hint(&window, [&](const std::string&) {
            ++looks;
            return true;
        });
        QSignalSpy shown(&hint, &zq40::AccessHint::DoHintShown);
        hint.start();
        QTest::qWait(200);
        QCOMPARE(shown.count(), 0);
        QCOMPARE(looks, 0);

        bed.plug(unitWithSerial(7031));
        QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 5000);
        QCOMPARE(hintBoxes(window), 1);
    }
};

QTEST_MAIN(AccessHintTest)
#include "access_hint_test.moc"

// The configuration buttons while working offline, driven through their
// dialogs: where the dialogs start, save and open round trips, starting
// afresh, and files that cannot be read or written.
#include "mainwindow.h"

#include "form_child.h"
#include "modal_answers.h"
#include "parameter_blocks.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

using namespace zq40;

namespace {

void press(QWidget& window, const char* button)
{
    QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton);
}

} // namespace

class MainWindowConfigTest : public QObject {
    Q_OBJECT

    QTemporaryDir home;
    QTemporaryDir settings;
    QByteArray realHome;

    // The dialogs start in a folder under the home folder; each test gets
    // a home of its own.
    void useEmptyHome()
    {
        QDir dir(home.path());
        dir.removeRecursively();
        QDir().mkpath(home.path());
        qputenv("HOME", home.path().toLocal8Bit());
    }

private slots:
    void initTestCase()
    {
        realHome = qgetenv("HOME");
        QVERIFY(home.isValid());
        // The file dialogs keep their history in the user's settings.
        QVERIFY(settings.isValid());
        qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    }
    void init() { useEmptyHome(); }
    void cleanupTestCase() { qputenv("HOME", realHome); }

    void dialogsStartInTheConfigFolder_data()
    {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("expected");
        QTest::newRow("neither") << QStringList{} << QString();
        QTest::newRow("Documents") << QStringList{"Documents"} << QStringLiteral("/Documents/ZQ40 Configs");
        QTest::newRow("My Documents first")
            << QStringList{"Documents", "My Documents"} << QStringLiteral("/My Documents/ZQ40 Configs");
    }

    void dialogsStartInTheConfigFolder()
    {
        QFETCH(QStringList, folders);
        QFETCH(QString, expected);
        for (const QString& f : folders)
            QVERIFY(QDir(home.path()).mkpath(f));
        MainWindow window;
        ModalAnswers answers;
        answers.chooseFile(QString());
        press(window, "pushButton_open_config");
        QVERIFY(answers.allAnswered());
        QCOMPARE(answers.seen, QStringList{"Select Config File"});
        QCOMPARE(QDir(answers.folders.value(0)).canonicalPath(), QDir(home.path() + expected).canonicalPath());
        // Without a documents folder nothing is created in the home folder.
        if (folders.isEmpty())
            QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{});
    }

    void saveNewAndOpenRoundTrip()
    {
        MainWindow window;
        ModalAnswers answers;
        const ParameterBlocks& record = window.currentDevice()->blocks;
        child<QSlider>(window, "hSlider_eq_lo_zone2")->setValue(4);
        auto* name = child<QLineEdit>(window, "lineEdit_deviceName");
        name->setText(QStringLiteral("Lobby"));
        emit name->editingFinished();
        const ParameterBlocks edited = record;
        const QString path = home.path() + QStringLiteral("/lobby.zq40");

        answers.chooseFile(path);
        answers.press(QMessageBox::Ok);
        press(window, "pushButton_save_config");
        QVERIFY(QFile::exists(path));
        QCOMPARE(answers.seen.last(), QStringLiteral("Config Saved: Config successfully saved as ") + path);

        // New, discarding: factory defaults, the name included.
        answers.press(QMessageBox::Discard);
        press(window, "pushButton_new_config");
        QCOMPARE(answers.seen.last(), QStringLiteral(": Save the current config?"));
        ParameterBlocks defaults;
        defaults.setDefaultParameters(false);
        defaults.clearZoneLinks();
        QCOMPARE(record.get(zoneSetting(2, ZoneSetting::EQLo)), defaults.get(zoneSetting(2, ZoneSetting::EQLo)));
        QCOMPARE(record.deviceNameText(), std::string("Orlo ZQ40"));
        QCOMPARE(child<QSlider>(window, "hSlider_eq_lo_zone2")->value(),
                 defaults.get(zoneSetting(2, ZoneSetting::EQLo)));

        // Open brings the settings back but never the name.
        answers.chooseFile(path);
        press(window, "pushButton_open_config");
        QVERIFY(answers.allAnswered());
        QCOMPARE(record.get(zoneSetting(2, ZoneSetting::EQLo)), 4);
        QCOMPARE(child<QSlider>(window, "hSlider_eq_lo_zone2")->value(), 4);
        QCOMPARE(record.deviceNameText(), std::string("Orlo ZQ40"));

        // The same file named at start-up brings the name as well.
        MainWindow started;
        started.openConfigFromPath(path);
        QCOMPARE(started.currentDevice()->blocks, edited);
        QCOMPARE(child<QLineEdit>(started, "lineEdit_deviceName")->text(), QStringLiteral("Lobby"));
    }

    void newOfflineSavesFirstOrCancels()
    {
        MainWindow window;
        ModalAnswers answers;
        const ParameterBlocks& record = window.currentDevice()->blocks;
        child<QSlider>(window, "hSlider_eq_hi_zone6")->setValue(-5);

        answers.press(QMessageBox::Cancel);
        press(window, "pushButton_new_config");
        QCOMPARE(record.get(zoneSetting(6, ZoneSetting::EQHi)), -5);

        const QString path = home.path() + QStringLiteral("/before.zq40");
        answers.press(QMessageBox::Save);
        answers.chooseFile(path);
        answers.press(QMessageBox::Ok);
        press(window, "pushButton_new_config");
        QVERIFY(answers.allAnswered());
        QCOMPARE(answers.seen.last(), QStringLiteral("Config Saved: Previous config successfully saved as ") + path);
        QVERIFY(QFile::exists(path));
        QCOMPARE(record.get(zoneSetting(6, ZoneSetting::EQHi)), 0);

        // A save that fails is said, and the record starts afresh anyway.
        child<QSlider>(window, "hSlider_eq_hi_zone6")->setValue(-5);
        answers.press(QMessageBox::Save);
        answers.chooseFile(QStringLiteral("/sys/unwritable.zq40"));
        answers.press(QMessageBox::Ok);
        press(window, "pushButton_new_config");
        QVERIFY(answers.allAnswered());
        QCOMPARE(answers.seen.last(), QStringLiteral("File Error: Unable to Write to File"));
        QCOMPARE(record.get(zoneSetting(6, ZoneSetting::EQHi)), 0);
    }

    // A file that cannot be read leaves the record as it was; a save that
    // fails tells the user instead of leaving them to believe it worked.
    void unreadableAndUnwritableFilesAreSaid()
    {
        MainWindow window;
        ModalAnswers answers;
        const ParameterBlocks& record = window.currentDevice()->blocks;
        child<QSlider>(window, "hSlider_eq_lo_zone1")->setValue(-3);
        const ParameterBlocks before = record;

        const QString damaged = home.path() + QStringLiteral("/damaged.zq40");
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<Parameters><Zone1 EQLo=");
        file.close();
        answers.chooseFile(damaged);
        answers.press(QMessageBox::Ok);
        press(window, "pushButton_open_config");
        QVERIFY(answers.allAnswered());
        QCOMPARE(answers.seen.last(), QStringLiteral("File Error: Unable to Load from File"));
        QCOMPARE(record, before);

        answers.chooseFile(QStringLiteral("/sys/unwritable.zq40"));
        answers.press(QMessageBox::Ok);
        press(window, "pushButton_save_config");
        QVERIFY(answers.allAnswered());
        QCOMPARE(answers.seen.last(), QStringLiteral("File Error: Unable to Write to File"));

        // Cancelling either dialog does nothing at all.
        answers.chooseFile(QString());
        answers.chooseFile(QString());
        press(window, "pushButton_open_config");
        press(window, "pushButton_save_config");
        QVERIFY(answers.allAnswered());
        QCOMPARE(record, before);
    }
};

QTEST_MAIN(MainWindowConfigTest)
#include "mainwindow_config_test.moc"

// The main window as the program builds it: the working-offline state it
// starts in, its slots all bound, and closing that ends the program.
#include "mainwindow.h"

#include "form_child.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

namespace {

class MarkingTranslator : public QTranslator {
public:
    mutable QStringList contexts;

    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* = nullptr, int = -1) const override
    {
        contexts << QString::fromUtf8(context);
        return QStringLiteral("~") + QString::fromUtf8(source);
    }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void everyHandlerFindsItsSignal()
    {
        // connectSlotsByName warns for an on_<object>_<signal> slot without a
        // matching object or signal; such a handler would never run.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal")));
        MainWindow window;
    }

    void startsWorkingOffline()
    {
        MainWindow window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Orlo ZQ40 - Working Offline"));

        auto* devices = child<QComboBox>(window, "comboBox_deviceList");
        QCOMPARE(devices->count(), 1);
        QCOMPARE(devices->itemText(0), QStringLiteral(" -- Offline -- "));
        QCOMPARE(devices->currentIndex(), 0);

        for (const char* name : {"label_fw_update_status", "label_update_fw", "progressBar_fw", "pushButton_firmware"})
            QVERIFY2(child<QWidget>(window, name)->isHidden(), name);
        QCOMPARE(child<QLabel>(window, "label_version")->text(), QStringLiteral("Version 1.1.1"));
        QCOMPARE(child<QLabel>(window, "label_connected")->text(), QStringLiteral("<font color='Gray'>Offline</font>"));
        for (const char* name : {"lbl_fw_version_value", "lbl_serial_value", "lbl_hw_revision_value"})
            QVERIFY(child<QLabel>(window, name)->text().isEmpty());
        QCOMPARE(child<QPushButton>(window, "pushButton_open_config")->text(), QStringLiteral("Open Config"));
        QCOMPARE(child<QFrame>(window, "frame_connected")->property("connected").toString(), QStringLiteral("false"));
        QCOMPARE(child<QTabWidget>(window, "tabWidget")->currentIndex(), 0);
    }

    void minimumLevelsShowOff()
    {
        MainWindow window;
        for (int z = 1; z <= 6; ++z) {
            const QByteArray name = "spinBox_level_min_zone_" + QByteArray::number(z);
            auto* spin = child<QSpinBox>(window, name.constData());
            QCOMPARE(spin->specialValueText(), QStringLiteral("Off"));
            QCOMPARE(spin->value(), -40);
            QCOMPARE(spin->text(), QStringLiteral("Off"));
            spin->setValue(-39);
            QCOMPARE(spin->text(), QStringLiteral("-39dB"));
        }
    }

    void linkMarkersHiddenAndClickThrough()
    {
        MainWindow window;
        for (const char* name : {"label_zones_linked_1", "label_zones_linked_2", "label_zones_linked_3"})
            QVERIFY2(child<QLabel>(window, name)->isHidden(), name);
        for (const char* name : {"frame_linked_1", "frame_linked_2", "frame_linked_3"}) {
            auto* frame = child<QFrame>(window, name);
            QVERIFY2(frame->isHidden(), name);
            QVERIFY2(frame->testAttribute(Qt::WA_TransparentForMouseEvents), name);
        }
    }

    void parameterControlsEnabledOffline()
    {
        MainWindow window;
        for (const char* name :
             {"groupBox_input_levels", "groupBox_page1_settings", "groupBox_page2_settings", "groupBox_zone_1",
              "groupBox_zone_6", "groupBox_zoneNames", "groupBox_deviceName", "groupBox_pager_status",
              "groupBox_groupNames", "pushButton_new_config", "pushButton_open_config", "pushButton_save_config"})
            QVERIFY2(child<QWidget>(window, name)->isEnabled(), name);
    }

    void fixedSize()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.size(), QSize(900, 620));
        window.resize(1200, 800);
        QCOMPARE(window.size(), QSize(900, 620));
    }

    void ownTextsAreTranslatedAsMainWindow()
    {
        MarkingTranslator translator;
        QCoreApplication::installTranslator(&translator);
        MainWindow window;
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(window.windowTitle(), QStringLiteral("~Orlo ZQ40 - Working Offline"));
        QCOMPARE(child<QComboBox>(window, "comboBox_deviceList")->itemText(0), QStringLiteral("~ -- Offline -- "));
        QCOMPARE(child<QLabel>(window, "label_version")->text(), QStringLiteral("~Version 1.1.1"));
        QCOMPARE(child<QSpinBox>(window, "spinBox_level_min_zone_4")->specialValueText(), QStringLiteral("~Off"));
        QVERIFY(translator.contexts.contains(QStringLiteral("MainWindow")));
    }

    void startupConfigKeptOnlyWhenTheFileExists()
    {
        QTemporaryDir dir;
        const QString existing = dir.filePath(QStringLiteral("hall.zq40"));
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        MainWindow window;
        QVERIFY(window.startupConfig().isEmpty());
        window.openConfigFromPath(existing);
        QCOMPARE(window.startupConfig(), existing);

        MainWindow other;
        other.openConfigFromPath(dir.filePath(QStringLiteral("missing.zq40")));
        QVERIFY(other.startupConfig().isEmpty());
        QCOMPARE(other.windowTitle(), QStringLiteral("Orlo ZQ40 - Working Offline"));
    }

    void closingEndsTheEventLoopEvenWithAnotherWindowOpen()
    {
        MainWindow window;
        window.show();
        // Stands for the priority dialog, a top-level window of its own.
        QWidget dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QTimer::singleShot(0, &window, &QWidget::close);
        bool timedOut = false;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [&] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        watchdog.start(10000);
        const int result = QCoreApplication::exec();
        QVERIFY(!timedOut);
        QCOMPARE(result, 0);
        QVERIFY(!window.isVisible());
    }

    void eachTabRendersWithLogo()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* tabs = child<QTabWidget>(window, "tabWidget");
        const QString shots = qEnvironmentVariable("ZQ40_SCREENSHOT_DIR");
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            const QImage image = window.grab().toImage();
            QCOMPARE(image.size() / image.devicePixelRatio(), QSize(900, 620));
            if (!shots.isEmpty())
                QVERIFY(image.save(QDir(shots).filePath(QStringLiteral("tab%1.png").arg(i + 1))));
        }
        // The logo frame shows the picture from the resources: its inside is
        // far from one flat colour.
        auto* logo = child<QFrame>(window, "frame");
        const QImage image = logo->grab().toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y));
        QVERIFY2(colours.size() > 20, qPrintable(QString::number(colours.size())));
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"

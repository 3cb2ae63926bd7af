// The remote status display on the window's own form: the eight slot labels'
// texts, tooltips and "online" properties with their colours, the connection
// frame and what the pass does to the parameter controls.
#include "mainwindow.h"
#include "presentation.h"
#include "unit_records.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <cstring>
#include <memory>
#include <optional>

namespace {

const uint32_t currentUnit = version(1, 1, 1, 47);

char dr200[] = "DR200";
char dr202[] = "DR202";
char ps502[] = "PS502";

// The window's form, by the names the view writes.
struct Form {
    explicit Form(QWidget& w)
        : window(w)
    {
    }
    QWidget& window;
    template <typename T = QLabel>
    T* get(const char* name) const
    {
        T* widget = window.findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
#define FORM_WIDGET(type, name) type* name = get<type>(#name);
    FORM_WIDGET(QPushButton, pushButton_firmware)
    FORM_WIDGET(QProgressBar, progressBar_fw)
    FORM_WIDGET(QFrame, frame_connected)
    FORM_WIDGET(QLabel, lbl_serial)
    FORM_WIDGET(QLabel, lbl_serial_value)
    FORM_WIDGET(QLabel, lbl_fw_version)
    FORM_WIDGET(QLabel, lbl_fw_version_value)
    FORM_WIDGET(QLabel, lbl_hw_revision)
    FORM_WIDGET(QLabel, lbl_hw_revision_value)
    FORM_WIDGET(QLabel, label_connected)
    FORM_WIDGET(QLabel, label_update_fw)
    FORM_WIDGET(QLabel, label_fw_update_status)
    FORM_WIDGET(QLabel, lbl_dr_status_value_pager)
    FORM_WIDGET(QLabel, lbl_dr_status_value_1)
    FORM_WIDGET(QLabel, lbl_dr_status_value_2)
    FORM_WIDGET(QLabel, lbl_dr_status_value_3)
    FORM_WIDGET(QLabel, lbl_dr_status_value_6)
    FORM_WIDGET(QLabel, lbl_dr_status_value_m)
    FORM_WIDGET(QGroupBox, groupBox_input_levels)
    FORM_WIDGET(QGroupBox, groupBox_zone_1)
#undef FORM_WIDGET
};

// The window, shown a unit's record that no registry holds: the remotes pass
// and what it makes of the connection frame and the parameter controls.
class Window {
public:
    Window()
        : ui(window)
    {
    }

    MainWindow window;
    Form ui;
    std::optional<bool> enabledBefore;

    void update(QDevice* record)
    {
        // Two controls set apart: a pass that switches the controls sets both.
        ui.groupBox_input_levels->setEnabled(true);
        ui.groupBox_zone_1->setEnabled(false);
        window.panel().session().setCurrent(record);
        window.onUpdateRemotesList();
    }
    // The pass's switch of the controls, if it made one.
    std::optional<bool> controls() const
    {
        const bool a = ui.groupBox_input_levels->isEnabled();
        return a == ui.groupBox_zone_1->isEnabled() ? std::optional<bool>(a) : std::nullopt;
    }
    std::array<QLabel*, 8> statusLabels() const
    {
        std::array<QLabel*, 8> labels;
        for (size_t i = 0; i < labels.size(); ++i)
            labels[i] = ui.get(zq40::kRemoteSlots[i].label);
        return labels;
    }
    QString connected() const { return ui.frame_connected->property("connected").toString(); }
};

QString online(const QLabel* label)
{
    return label->property("online").toString();
}

QColor textColour(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

} // namespace

class RemoteStatusTest : public QObject {
    Q_OBJECT

private slots:
    void currentUnitWithoutChildren();
    void oldRemoteOnZone3_data();
    void oldRemoteOnZone3();
    void currentRemoteOnZone3_data();
    void currentRemoteOnZone3();
    void oldPagingStationHasNoName();
    void remote200OnTheMasterKey();
    void unsupportedLeavesTheFrameOrangeWhenNothingElseSettles();
    void oldUnitShowsItsChildren();
    void offlineReadsNotAvailable();
    void recordsWithoutHandleOrInfoCountAsOffline();
    void childWithoutItsRecordIsNotConnected();
    void keysOutsideTheSlotsAreNotShown();
    void childWithoutANameReadsAsAnUnknownModel();
    void eachPassRedrawsEverySlot();
};

void RemoteStatusTest::currentUnitWithoutChildren()
{
    Window w;
    w.ui.pushButton_firmware->show();
    w.ui.progressBar_fw->show();
    w.ui.lbl_serial->hide();
    Unit unit(currentUnit, 1);
    w.update(&unit.device);
    for (QLabel* label : w.statusLabels()) {
        QCOMPARE(label->text(), QStringLiteral("Not Connected"));
        QVERIFY(label->toolTip().isEmpty());
        QCOMPARE(online(label), QStringLiteral("false"));
        QCOMPARE(textColour(label), QColor(QStringLiteral("gray")));
    }
    QCOMPARE(w.ui.label_connected->text(), QStringLiteral("Connected"));
    QCOMPARE(w.connected(), QStringLiteral("true"));
    QVERIFY(w.ui.pushButton_firmware->isHidden());
    QVERIFY(w.ui.label_update_fw->isHidden());
    QVERIFY(w.ui.progressBar_fw->isHidden());
    QVERIFY(w.ui.label_fw_update_status->isHidden());
    for (QWidget* shown :
         {static_cast<QWidget*>(w.ui.lbl_hw_revision), static_cast<QWidget*>(w.ui.lbl_serial),
          static_cast<QWidget*>(w.ui.lbl_serial_value), static_cast<QWidget*>(w.ui.lbl_fw_version),
          static_cast<QWidget*>(w.ui.lbl_fw_version_value), static_cast<QWidget*>(w.ui.lbl_hw_revision_value)})
        QVERIFY2(!shown->isHidden(), qPrintable(shown->objectName()));
    QCOMPARE(w.controls(), std::optional<bool>(true));
}

void RemoteStatusTest::oldRemoteOnZone3_data()
{
    QTest::addColumn<uint>("word1");
    QTest::newRow("revision 0") << 0u;
    QTest::newRow("revision 1") << 1u;
    QTest::newRow("revision 2") << 2u;
}

void RemoteStatusTest::oldRemoteOnZone3()
{
    QFETCH(uint, word1);
    Window w;
    Unit unit(currentUnit, word1);
    unit.attach(260, 200, version(1, 3, 0, 25), dr200, 3);
    w.update(&unit.device);

    QLabel* label = w.ui.lbl_dr_status_value_3;
    QCOMPARE(label->text(), QStringLiteral("FW Mismatch (DR200)"));
    QCOMPARE(label->toolTip(), QStringLiteral("1.3.0.25 r.3"));
    QCOMPARE(online(label), QStringLiteral("mismatch"));
    QCOMPARE(textColour(label), QColor(QStringLiteral("orange")));
    QCOMPARE(w.controls(), std::optional<bool>(false));
    if (word1 <= 1) {
        QCOMPARE(w.ui.label_connected->text(), QStringLiteral("FW Mismatch"));
        QVERIFY(!w.ui.pushButton_firmware->isHidden());
        QVERIFY(!w.ui.label_update_fw->isHidden());
        QCOMPARE(w.connected(), QStringLiteral("mismatch"));
    } else {
        QVERIFY(w.ui.pushButton_firmware->isHidden());
    }
}

void RemoteStatusTest::currentRemoteOnZone3_data()
{
    QTest::addColumn<uint>("ver");
    QTest::newRow("1.3.0.26") << version(1, 3, 0, 26);
    QTest::newRow("1.4.0.0") << version(1, 4, 0, 0);
}

void RemoteStatusTest::currentRemoteOnZone3()
{
    QFETCH(uint, ver);
    Window w;
    Unit unit(currentUnit, 1);
    unit.attach(260, 200, ver, dr200, 0);
    w.update(&unit.device);
    QLabel* label = w.ui.lbl_dr_status_value_3;
    QCOMPARE(label->text(), QStringLiteral("DR200 Online"));
    QCOMPARE(label->toolTip(), zq40::childVersionText(*unit.childInfos[0]));
    QVERIFY(label->toolTip().endsWith(QStringLiteral(" r.0")));
    QCOMPARE(online(label), QStringLiteral("true"));
    QCOMPARE(textColour(label), QColor(QStringLiteral("green")));
    QCOMPARE(w.ui.label_connected->text(), QStringLiteral("Connected"));
    QCOMPARE(w.controls(), std::optional<bool>(true));
}

void RemoteStatusTest::oldPagingStationHasNoName()
{
    Window w;
    Unit unit(currentUnit, 1);
    unit.attach(257, 502, version(1, 2, 0, 5), ps502, 9);
    w.update(&unit.device);
    QCOMPARE(w.ui.lbl_dr_status_value_pager->text(), QStringLiteral("FW Mismatch"));
    QCOMPARE(w.ui.lbl_dr_status_value_pager->toolTip(), QStringLiteral("1.2.0.5 r.9"));
    QCOMPARE(online(w.ui.lbl_dr_status_value_pager), QStringLiteral("mismatch"));
    QCOMPARE(w.ui.label_connected->text(), QStringLiteral("FW Mismatch"));
}

void RemoteStatusTest::remote200OnTheMasterKey()
{
    Window w;
    Unit unit(currentUnit, 1);
    unit.attach(264, 200, version(1, 3, 0, 26), dr200, 1);
    unit.attach(258, 202, version(1, 4, 0, 35), dr202, 2);
    w.update(&unit.device);
    QCOMPARE(w.ui.lbl_dr_status_value_m->text(), QStringLiteral("Unsupported"));
    QCOMPARE(w.ui.lbl_dr_status_value_m->toolTip(), QStringLiteral("1.3.0.26 r.1"));
    QCOMPARE(online(w.ui.lbl_dr_status_value_m), QStringLiteral("mismatch"));
    QCOMPARE(w.ui.lbl_dr_status_value_1->text(), QStringLiteral("DR202 Online"));
    QCOMPARE(w.ui.lbl_dr_status_value_1->toolTip(), QStringLiteral("1.4.0.35 r.2"));
    // Unsupported alone does not lock the unit: the same pass settles the
    // frame back to connected.
    QCOMPARE(w.connected(), QStringLiteral("true"));
    QCOMPARE(w.ui.label_connected->text(), QStringLiteral("Connected"));
    QCOMPARE(w.controls(), std::optional<bool>(true));
}

void RemoteStatusTest::unsupportedLeavesTheFrameOrangeWhenNothingElseSettles()
{
    Window w;
    Unit unit(version(1, 1, 1, 46), 2);
    unit.attach(257, 200, version(1, 3, 0, 26), dr200);
    w.update(&unit.device);
    QCOMPARE(w.ui.lbl_dr_status_value_pager->text(), QStringLiteral("Unsupported"));
    QCOMPARE(w.connected(), QStringLiteral("mismatch"));
}

void RemoteStatusTest::oldUnitShowsItsChildren()
{
    Window w;
    Unit unit(version(1, 1, 1, 48), 2);
    unit.attach(257, 502, version(1, 2, 0, 6), ps502);
    unit.attach(263, 202, version(1, 4, 0, 35), dr202);
    w.update(&unit.device);
    QCOMPARE(w.ui.lbl_dr_status_value_pager->text(), QStringLiteral("PS502 Online"));
    QCOMPARE(w.ui.lbl_dr_status_value_6->text(), QStringLiteral("DR202 Online"));
    QCOMPARE(w.ui.lbl_dr_status_value_2->text(), QStringLiteral("Not Connected"));
    QVERIFY(w.ui.pushButton_firmware->isHidden());

    // Revision 1 with the same firmware: the mismatch presentation.
    unit.info.word1 = 1;
    w.update(&unit.device);
    QCOMPARE(w.ui.label_connected->text(), QStringLiteral("FW Mismatch"));
    QCOMPARE(w.controls(), std::optional<bool>(false));
}

void RemoteStatusTest::offlineReadsNotAvailable()
{
    Window w;
    Unit unit(currentUnit, 1);
    unit.attach(258, 202, version(1, 4, 0, 35), dr202);
    unit.attach(259, 200, version(1, 0, 0, 0), dr200);
    w.update(&unit.device);

    w.update(nullptr);
    for (QLabel* label : w.statusLabels()) {
        QCOMPARE(label->text(), QStringLiteral("n/a"));
        QVERIFY(label->toolTip().isEmpty());
        QCOMPARE(online(label), QStringLiteral("false"));
        QCOMPARE(textColour(label), QColor(QStringLiteral("gray")));
    }
}

void RemoteStatusTest::recordsWithoutHandleOrInfoCountAsOffline()
{
    Window w;
    QDevice offlineRecord;
    w.update(&offlineRecord);
    QCOMPARE(w.ui.lbl_dr_status_value_1->text(), QStringLiteral("n/a"));

    Unit unit(currentUnit, 1);
    unit.device.pDeviceInfo = nullptr;
    w.update(&unit.device);
    QCOMPARE(w.ui.lbl_dr_status_value_1->text(), QStringLiteral("n/a"));
}

void RemoteStatusTest::childWithoutItsRecordIsNotConnected()
{
    Window w;
    Unit unit(currentUnit, 1);
    unit.device.children.insert(259, new QChildDevice);
    unit.device.children.insert(260, nullptr);
    w.update(&unit.device);
    QCOMPARE(w.ui.lbl_dr_status_value_2->text(), QStringLiteral("Not Connected"));
    QCOMPARE(w.ui.lbl_dr_status_value_3->text(), QStringLiteral("Not Connected"));
    QCOMPARE(w.ui.label_connected->text(), QStringLiteral("Connected"));
}

void RemoteStatusTest::keysOutsideTheSlotsAreNotShown()
{
    Window w;
    Unit unit(currentUnit, 1);
    unit.attach(256, 200, version(1, 0, 0, 0), dr200);
    unit.attach(265, 202, version(1, 0, 0, 0), dr202);
    unit.attach(2 * 256 + 2, 200, version(1, 0, 0, 0), dr200);
    w.update(&unit.device);
    for (QLabel* label : w.statusLabels())
        QCOMPARE(label->text(), QStringLiteral("Not Connected"));
    QCOMPARE(w.ui.label_connected->text(), QStringLiteral("Connected"));
    QCOMPARE(w.controls(), std::optional<bool>(true));
}

void RemoteStatusTest::childWithoutANameReadsAsAnUnknownModel()
{
    Window w;
    Unit unit(currentUnit, 1);
    unit.attach(258, 202, version(1, 4, 0, 35), nullptr);
    unit.attach(259, 202, version(1, 4, 0, 34), nullptr);
    w.update(&unit.device);
    QCOMPARE(w.ui.lbl_dr_status_value_1->text(), QStringLiteral("??? Online"));
    QCOMPARE(w.ui.lbl_dr_status_value_2->text(), QStringLiteral("FW Mismatch (??\?)"));
}

void RemoteStatusTest::eachPassRedrawsEverySlot()
{
    Window w;
    Unit unit(currentUnit, 1);
    unit.attach(260, 200, version(1, 3, 0, 25), dr200);
    w.update(&unit.device);
    QCOMPARE(w.ui.label_connected->text(), QStringLiteral("FW Mismatch"));
    QCOMPARE(textColour(w.ui.lbl_dr_status_value_3), QColor(QStringLiteral("orange")));

    // The old remote goes; the unit is current again.
    delete unit.device.children.take(260);
    w.update(&unit.device);
    QCOMPARE(w.ui.lbl_dr_status_value_3->text(), QStringLiteral("Not Connected"));
    QVERIFY(w.ui.lbl_dr_status_value_3->toolTip().isEmpty());
    QCOMPARE(online(w.ui.lbl_dr_status_value_3), QStringLiteral("false"));
    // Restyled: the colour follows the property, orange back to grey.
    QCOMPARE(textColour(w.ui.lbl_dr_status_value_3), QColor(QStringLiteral("gray")));
    QCOMPARE(w.ui.label_connected->text(), QStringLiteral("Connected"));
    QCOMPARE(w.connected(), QStringLiteral("true"));
    QVERIFY(w.ui.pushButton_firmware->isHidden());
    QCOMPARE(w.controls(), std::optional<bool>(true));
}

QTEST_MAIN(RemoteStatusTest)
#include "remote_status_test.moc"

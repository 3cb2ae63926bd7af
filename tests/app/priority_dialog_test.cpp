// The program-6 priority dialog: its form binding, the texts of its two
// value labels, what it emits for the user's moves and for the window's
// hand-back of stored values, Defaults and Done.
#include "dialog.h"
#include "form_child.h"

#include <QLabel>
#include <QMetaMethod>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

namespace {

QStringList messages;

void collect(QtMsgType, const QMessageLogContext&, const QString& text)
{
    messages.append(text);
}

QString text(Dialog& d, const char* label)
{
    return child<QLabel>(d, label)->text();
}

} // namespace

class PriorityDialogTest : public QObject {
    Q_OBJECT

private slots:
    void bindsEverySlotWithoutWarnings();
    void declaresTheSignalsAndSlots();
    void isATopLevelWindowOfItsOwn();
    void thresholdTextsFromTheWindow_data();
    void thresholdTextsFromTheWindow();
    void holdTimeTextsFromTheWindow_data();
    void holdTimeTextsFromTheWindow();
    void handBackOfAnUnchangedValueStillSetsTheLabel();
    void handBackMovesTheSliderWhichReportsAsUsual();
    void storedValuesOutsideTheRangeShowWhatTheSliderHolds();
    void userMovesEmitTheValues();
    void defaultsEmitsOnlyTheRequest();
    void defaultsWithTheWindowsHandBack();
    void doneHidesAndTheDialogShowsAgain();
};

void PriorityDialogTest::bindsEverySlotWithoutWarnings()
{
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    {
        Dialog d;
    }
    qInstallMessageHandler(previous);
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
}

void PriorityDialogTest::declaresTheSignalsAndSlots()
{
    const QMetaObject& mo = Dialog::staticMetaObject;
    QStringList signalList;
    QStringList slotList;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
        const QMetaMethod m = mo.method(i);
        if (m.methodType() == QMetaMethod::Signal)
            signalList.append(QString::fromLatin1(m.methodSignature()));
        else if (m.methodType() == QMetaMethod::Slot)
            slotList.append(QString::fromLatin1(m.methodSignature()));
    }
    QCOMPARE(signalList, (QStringList{"DoSetPgm6Threshold(int)", "DoSetPgm6HoldTime(int)", "DoLoadPgm6Default()"}));
    QCOMPARE(slotList,
             (QStringList{"on_vSlider_pgm6_hold_value_valueChanged(int)", "on_pushButton_defaults_pressed()",
                          "on_vSlider_pgm6_thresh_value_valueChanged(int)", "on_pushButton_done_pressed()"}));
}

void PriorityDialogTest::isATopLevelWindowOfItsOwn()
{
    Dialog d;
    QVERIFY(d.isWindow());
    QCOMPARE(d.parent(), nullptr);
    QCOMPARE(d.windowTitle(), QStringLiteral("Orlo ZQ40"));
    QVERIFY(!d.isModal());
    QCOMPARE(child<QPushButton>(d, "pushButton_defaults")->text(), QStringLiteral("Defaults"));
    QCOMPARE(child<QPushButton>(d, "pushButton_done")->text(), QStringLiteral("Done"));
}

void PriorityDialogTest::thresholdTextsFromTheWindow_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("bottom") << -80 << "-60 dBu";
    QTest::newRow("factory default") << -60 << "-40 dBu";
    QTest::newRow("zero dBu") << -20 << "0 dBu";
    QTest::newRow("first positive") << -19 << "+1 dBu";
    QTest::newRow("plus five") << -15 << "+5 dBu";
    QTest::newRow("top") << 0 << "+20 dBu";
}

void PriorityDialogTest::thresholdTextsFromTheWindow()
{
    QFETCH(int, stored);
    QFETCH(QString, shown);
    Dialog d;
    d.on_set_pgm6_thresh_value(stored);
    QCOMPARE(child<QSlider>(d, "vSlider_pgm6_thresh_value")->value(), stored);
    QCOMPARE(text(d, "lbl_pgm6_thresh_value"), shown);
}

void PriorityDialogTest::holdTimeTextsFromTheWindow_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("one, no plural") << 1 << "1 sec";
    QTest::newRow("factory default") << 8 << "8 sec";
    QTest::newRow("top") << 30 << "30 sec";
}

void PriorityDialogTest::holdTimeTextsFromTheWindow()
{
    QFETCH(int, stored);
    QFETCH(QString, shown);
    Dialog d;
    d.on_set_pgm6_hold_value(stored);
    QCOMPARE(child<QSlider>(d, "vSlider_pgm6_hold_value")->value(), stored);
    QCOMPARE(text(d, "lbl_pgm6_hold_value"), shown);
}

void PriorityDialogTest::handBackOfAnUnchangedValueStillSetsTheLabel()
{
    // The form starts at -40 and 1 with labels that do not match them.
    Dialog d;
    QSignalSpy threshold(&d, &Dialog::DoSetPgm6Threshold);
    QSignalSpy hold(&d, &Dialog::DoSetPgm6HoldTime);
    QCOMPARE(text(d, "lbl_pgm6_thresh_value"), QStringLiteral("-50 dBu"));
    QCOMPARE(text(d, "lbl_pgm6_hold_value"), QStringLiteral("30 sec"));
    d.on_set_pgm6_thresh_value(-40);
    d.on_set_pgm6_hold_value(1);
    QCOMPARE(text(d, "lbl_pgm6_thresh_value"), QStringLiteral("-20 dBu"));
    QCOMPARE(text(d, "lbl_pgm6_hold_value"), QStringLiteral("1 sec"));
    QCOMPARE(threshold.count(), 0);
    QCOMPARE(hold.count(), 0);
}

void PriorityDialogTest::handBackMovesTheSliderWhichReportsAsUsual()
{
    Dialog d;
    QSignalSpy threshold(&d, &Dialog::DoSetPgm6Threshold);
    QSignalSpy hold(&d, &Dialog::DoSetPgm6HoldTime);
    d.on_set_pgm6_thresh_value(-60);
    d.on_set_pgm6_hold_value(8);
    QCOMPARE(threshold.count(), 1);
    QCOMPARE(threshold.at(0).at(0).toInt(), -60);
    QCOMPARE(hold.count(), 1);
    QCOMPARE(hold.at(0).at(0).toInt(), 8);
}

void PriorityDialogTest::storedValuesOutsideTheRangeShowWhatTheSliderHolds()
{
    // A record may carry any byte; the label must not claim a level the
    // slider, and so any later edit, does not hold.
    Dialog d;
    d.on_set_pgm6_thresh_value(5);
    QCOMPARE(child<QSlider>(d, "vSlider_pgm6_thresh_value")->value(), 0);
    QCOMPARE(text(d, "lbl_pgm6_thresh_value"), QStringLiteral("+20 dBu"));
    d.on_set_pgm6_thresh_value(-128);
    QCOMPARE(text(d, "lbl_pgm6_thresh_value"), QStringLiteral("-60 dBu"));
    d.on_set_pgm6_hold_value(0);
    QCOMPARE(text(d, "lbl_pgm6_hold_value"), QStringLiteral("1 sec"));
    d.on_set_pgm6_hold_value(255);
    QCOMPARE(text(d, "lbl_pgm6_hold_value"), QStringLiteral("30 sec"));
}

void PriorityDialogTest::userMovesEmitTheValues()
{
    Dialog d;
    d.show();
    QSignalSpy threshold(&d, &Dialog::DoSetPgm6Threshold);
    QSignalSpy hold(&d, &Dialog::DoSetPgm6HoldTime);
    QSlider* thresholdSlider = child<QSlider>(d, "vSlider_pgm6_thresh_value");
    thresholdSlider->setFocus();
    QTest::keyClick(thresholdSlider, Qt::Key_Right);
    QCOMPARE(threshold.count(), 1);
    QCOMPARE(threshold.at(0).at(0).toInt(), -39);
    QCOMPARE(text(d, "lbl_pgm6_thresh_value"), QStringLiteral("-19 dBu"));
    QSlider* holdSlider = child<QSlider>(d, "vSlider_pgm6_hold_value");
    holdSlider->setFocus();
    QTest::keyClick(holdSlider, Qt::Key_End);
    QCOMPARE(hold.count(), 1);
    QCOMPARE(hold.at(0).at(0).toInt(), 30);
    QCOMPARE(text(d, "lbl_pgm6_hold_value"), QStringLiteral("30 sec"));
}

void PriorityDialogTest::defaultsEmitsOnlyTheRequest()
{
    Dialog d;
    d.show();
    QSignalSpy defaults(&d, &Dialog::DoLoadPgm6Default);
    QSignalSpy threshold(&d, &Dialog::DoSetPgm6Threshold);
    QSignalSpy hold(&d, &Dialog::DoSetPgm6HoldTime);
    // On press, not on release.
    QTest::mousePress(child<QPushButton>(d, "pushButton_defaults"), Qt::LeftButton);
    QCOMPARE(defaults.count(), 1);
    QTest::mouseRelease(child<QPushButton>(d, "pushButton_defaults"), Qt::LeftButton);
    QCOMPARE(defaults.count(), 1);
    QCOMPARE(threshold.count(), 0);
    QCOMPARE(hold.count(), 0);
    QVERIFY(d.isVisible());
}

void PriorityDialogTest::defaultsWithTheWindowsHandBack()
{
    // The window stores -60 and 8 and hands them back; each slider the
    // reset moves reports once more.
    Dialog d;
    d.on_set_pgm6_thresh_value(-10);
    d.on_set_pgm6_hold_value(8);
    QObject::connect(&d, &Dialog::DoLoadPgm6Default, &d, [&d] {
        d.on_set_pgm6_thresh_value(-60);
        d.on_set_pgm6_hold_value(8);
    });
    QSignalSpy threshold(&d, &Dialog::DoSetPgm6Threshold);
    QSignalSpy hold(&d, &Dialog::DoSetPgm6HoldTime);
    d.show();
    QTest::mouseClick(child<QPushButton>(d, "pushButton_defaults"), Qt::LeftButton);
    QCOMPARE(threshold.count(), 1);
    QCOMPARE(threshold.at(0).at(0).toInt(), -60);
    QCOMPARE(hold.count(), 0);
    QCOMPARE(text(d, "lbl_pgm6_thresh_value"), QStringLiteral("-40 dBu"));
    QCOMPARE(text(d, "lbl_pgm6_hold_value"), QStringLiteral("8 sec"));
}

void PriorityDialogTest::doneHidesAndTheDialogShowsAgain()
{
    Dialog d;
    d.show();
    QVERIFY(d.isVisible());
    QTest::mousePress(child<QPushButton>(d, "pushButton_done"), Qt::LeftButton);
    QVERIFY(!d.isVisible());
    d.on_set_pgm6_thresh_value(-19);
    d.on_set_pgm6_hold_value(12);
    d.show();
    QVERIFY(d.isVisible());
    QCOMPARE(text(d, "lbl_pgm6_thresh_value"), QStringLiteral("+1 dBu"));
    QCOMPARE(text(d, "lbl_pgm6_hold_value"), QStringLiteral("12 sec"));
}

QTEST_MAIN(PriorityDialogTest)
#include "priority_dialog_test.moc"

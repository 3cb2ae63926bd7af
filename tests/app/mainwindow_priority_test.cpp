// The window and its priority dialog: values go both ways through the
// current record, and the defaults are handed back.
#include "dialog.h"
#include "mainwindow.h"
#include "parameter_fields.h"

#include <QApplication>
#include <QSlider>
#include <QtTest>

class MainWindowPriorityTest : public QObject {
    Q_OBJECT

    static Dialog* priorityDialog()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<Dialog*>(w))
                return d;
        return nullptr;
    }

private slots:
    void dialogAndRecordFollowEachOther()
    {
        MainWindow window;
        Dialog* dialog = priorityDialog();
        QVERIFY(dialog);
        auto* threshold = dialog->findChild<QSlider*>("vSlider_pgm6_thresh_value");
        auto* hold = dialog->findChild<QSlider*>("vSlider_pgm6_hold_value");
        QVERIFY(threshold && hold);
        // The start-up refresh handed the offline record's defaults over.
        QCOMPARE(threshold->value(), -60);
        QCOMPARE(hold->value(), 8);

        threshold->setValue(-25);
        hold->setValue(12);
        const zq40::ParameterBlocks& record = window.currentDevice()->blocks;
        QCOMPARE(record.get(zq40::kPriorityThreshold), -25);
        QCOMPARE(record.get(zq40::kPriorityHoldTimeSecs), 12);

        window.OnPgm6LoadDefault();
        QCOMPARE(record.get(zq40::kPriorityThreshold), -60);
        QCOMPARE(record.get(zq40::kPriorityHoldTimeSecs), 8);
        QCOMPARE(threshold->value(), -60);
        QCOMPARE(hold->value(), 8);
    }
};

QTEST_MAIN(MainWindowPriorityTest)
#include "mainwindow_priority_test.moc"

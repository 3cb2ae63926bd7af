// The program-6 priority dialog: shows the threshold and hold time shared by
// all zones and reports the user's changes. It stores and sends nothing; the
// main window does that and hands the stored values back.
#pragma once

#include <QDialog>

namespace Ui {
class Dialog;
}

class Dialog : public QDialog {
    Q_OBJECT

public:
    explicit Dialog(QWidget* parent = nullptr);
    ~Dialog() override;

    // Called by the main window with the record's values. Not slots: they
    // match no object of the form, so binding by name would warn about them.
    // The slider's own valueChanged still fires, as for a user's move.
    void on_set_pgm6_thresh_value(int value);
    void on_set_pgm6_hold_value(int value);

signals:
    void DoSetPgm6Threshold(int value);
    void DoSetPgm6HoldTime(int value);
    void DoLoadPgm6Default();

private slots:
    void on_vSlider_pgm6_hold_value_valueChanged(int value);
    void on_pushButton_defaults_pressed();
    void on_vSlider_pgm6_thresh_value_valueChanged(int value);
    void on_pushButton_done_pressed();

private:
    void showThreshold();
    void showHoldTime();

    Ui::Dialog* ui;
};

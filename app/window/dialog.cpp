#include "dialog.h"

#include "ui_dialog.h"
#include "value_text.h"

Dialog::Dialog(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::Dialog)
{
    // Sets the texts through the translation layer ("Dialog") and binds the
    // on_<object>_<signal> slots by name.
    ui->setupUi(this);
}

Dialog::~Dialog()
{
    delete ui;
}

void Dialog::on_set_pgm6_thresh_value(int value)
{
    ui->vSlider_pgm6_thresh_value->setValue(value);
    // Also when the slider did not move, and from the slider's own value:
    // a stored byte outside the range must not read as a level it can't be.
    showThreshold();
}

void Dialog::on_set_pgm6_hold_value(int value)
{
    ui->vSlider_pgm6_hold_value->setValue(value);
    showHoldTime();
}

void Dialog::on_vSlider_pgm6_hold_value_valueChanged(int value)
{
    showHoldTime();
    emit DoSetPgm6HoldTime(value);
}

void Dialog::on_pushButton_defaults_pressed()
{
    emit DoLoadPgm6Default();
}

void Dialog::on_vSlider_pgm6_thresh_value_valueChanged(int value)
{
    showThreshold();
    emit DoSetPgm6Threshold(value);
}

void Dialog::on_pushButton_done_pressed()
{
    hide();
}

void Dialog::showThreshold()
{
    const int value = ui->vSlider_pgm6_thresh_value->value();
    ui->lbl_pgm6_thresh_value->setText(
        QString::fromStdString(zq40::valueText(zq40::ValueLabel::PriorityThreshold, value)));
}

void Dialog::showHoldTime()
{
    const int value = ui->vSlider_pgm6_hold_value->value();
    ui->lbl_pgm6_hold_value->setText(QString::fromStdString(zq40::valueText(zq40::ValueLabel::HoldTime, value)));
}

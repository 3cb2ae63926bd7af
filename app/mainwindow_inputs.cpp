// Edit slots of the program inputs and the two paging inputs (block 3).
#include "mainwindow.h"

#include "ui_mainwindow.h"

using namespace zq40;

void MainWindow::editValue(QLabel* label, ValueLabel kind, int value, Field field)
{
    // The label follows even during a refresh.
    label->setText(QString::fromStdString(valueText(kind, value)));
    editByte(field, value);
}

void MainWindow::editByte(Field field, int value)
{
    if (!live())
        return;
    pCurrentDevice->blocks.set(field, value);
    sendParameters(hidr_t(field.code));
}

void MainWindow::editGroupZone(int group, int zone, bool member)
{
    if (!live())
        return;
    pCurrentDevice->blocks.setGroupZone(group, zone, member);
    sendParameters(HIDR_INPUTS_PAGING);
}

#define PGM_LEVEL_SLOT(n)                                                                \
    void MainWindow::on_vSlider_pgm##n##_level_valueChanged(int value)                   \
    {                                                                                    \
        editValue(ui->lbl_pgm##n##_lvl_value, ValueLabel::PgmLevel, value, pgmLevel(n)); \
    }
PGM_LEVEL_SLOT(1)
PGM_LEVEL_SLOT(2)
PGM_LEVEL_SLOT(3)
PGM_LEVEL_SLOT(4)
PGM_LEVEL_SLOT(5)
PGM_LEVEL_SLOT(6)
#undef PGM_LEVEL_SLOT

void MainWindow::on_vSlider_page1_eq_lo_valueChanged(int value)
{
    editValue(ui->lbl_page1_eq_lo_value, ValueLabel::EQ, value, kPage1EQLo);
}

void MainWindow::on_vSlider_page1_eq_hi_valueChanged(int value)
{
    editValue(ui->lbl_page1_eq_hi_value, ValueLabel::EQ, value, kPage1EQHi);
}

void MainWindow::on_vSlider_page2_eq_lo_valueChanged(int value)
{
    editValue(ui->lbl_page2_eq_lo_value, ValueLabel::EQ, value, kPage2EQLo);
}

void MainWindow::on_vSlider_page2_eq_hi_valueChanged(int value)
{
    editValue(ui->lbl_page2_eq_hi_value, ValueLabel::EQ, value, kPage2EQHi);
}

void MainWindow::on_vSlider_page1_thresh_value_valueChanged(int value)
{
    editValue(ui->lbl_page1_thresh_value, ValueLabel::Threshold, value, kPage1Threshold);
}

void MainWindow::on_vSlider_page2_trim_level_value_valueChanged(int value)
{
    editValue(ui->lbl_page2_trim_level_value, ValueLabel::Trim, value, kPage2Trim);
}

void MainWindow::on_comboBox_page1_prio_currentIndexChanged(int index)
{
    editByte(kPage1Priority, index + 1);
}

void MainWindow::on_comboBox_page2_prio_currentIndexChanged(int index)
{
    editByte(kPage2Priority, index + 1);
}

void MainWindow::on_comboBox_page1_chime_currentIndexChanged(int index)
{
    if (!live())
        return;
    // Threshold mode pages without a chime.
    if (pCurrentDevice->blocks.flag(kPage1ThreshEn)) {
        ui->comboBox_page1_chime->setCurrentIndex(0);
        return;
    }
    editByte(kPage1ChimeLevel, index);
}

void MainWindow::on_comboBox_page2_chime_currentIndexChanged(int index)
{
    editByte(kPage2ChimeLevel, index);
}

void MainWindow::on_checkBox_page1_thresh_mode_stateChanged(int)
{
    if (!live())
        return;
    const bool on = ui->checkBox_page1_thresh_mode->isChecked();
    ParameterBlocks& b = pCurrentDevice->blocks;
    b.setFlag(kPage1ThreshEn, on);
    controlsLive = false;
    if (on) {
        b.set(kPage1ChimeLevel, 0);
        ui->comboBox_page1_chime->setCurrentIndex(0);
    }
    ui->comboBox_page1_chime->setEnabled(!on);
    sendParameters(HIDR_INPUTS_PAGING);
    controlsLive = true;
}

void MainWindow::on_checkBox_page2_pad_stateChanged(int)
{
    editByte(kPage2Pad, ui->checkBox_page2_pad->isChecked() ? 1 : 0);
}

void MainWindow::on_checkBox_page2_phantom_stateChanged(int)
{
    editByte(kPage2PhantomPwr, ui->checkBox_page2_phantom->isChecked() ? 1 : 0);
}

void MainWindow::on_checkBox_group_disable_stateChanged(int)
{
    editByte(kDisableGroupStore, ui->checkBox_group_disable->isChecked() ? 1 : 0);
}

#define GROUP_SLOT(g, n)                                                 \
    void MainWindow::on_checkBox_group##g##_z_##n##_stateChanged(int)    \
    {                                                                    \
        editGroupZone(g, n, ui->checkBox_group##g##_z_##n->isChecked()); \
    }
GROUP_SLOT(1, 1)
GROUP_SLOT(1, 2)
GROUP_SLOT(1, 3)
GROUP_SLOT(1, 4)
GROUP_SLOT(1, 5)
GROUP_SLOT(1, 6)
GROUP_SLOT(2, 1)
GROUP_SLOT(2, 2)
GROUP_SLOT(2, 3)
GROUP_SLOT(2, 4)
GROUP_SLOT(2, 5)
GROUP_SLOT(2, 6)
#undef GROUP_SLOT

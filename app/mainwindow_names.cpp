// Edit slots of the names: zones, linked groups, program inputs and the
// device. The line edits limit the length; the block keeps a NUL after it.
#include "mainwindow.h"

#include "latin1_text.h"
#include "ui_mainwindow.h"

using namespace zq40;

void MainWindow::editZoneName(int zone)
{
    if (!live())
        return;
    ParameterBlocks& b = pCurrentDevice->blocks;
    const LabelSlot slot = zoneLabel(zone);
    b.setLabel(slot, qstringToLatin1(zoneNameEdit(zone)->text()));
    zoneBox(zone)->setTitle(latin1ToQString(b.label(slot)));
    sendParameters(hidr_t(slot.code));
}

void MainWindow::editGroupName(QLineEdit* edit, int first, int last)
{
    if (!live())
        return;
    const LabelSlot slot = groupLabel(first, last);
    pCurrentDevice->blocks.setLabel(slot, qstringToLatin1(edit->text()));
    sendParameters(hidr_t(slot.code));
}

void MainWindow::editProgramName(int input)
{
    if (!live())
        return;
    const LabelSlot slot = pgmLabel(input);
    pCurrentDevice->blocks.setLabel(slot, qstringToLatin1(programNameEdit(input)->text()));
    sendParameters(hidr_t(slot.code));
}

void MainWindow::on_lineEdit_deviceName_editingFinished()
{
    if (!live())
        return;
    pCurrentDevice->blocks.setDeviceNameText(qstringToLatin1(ui->lineEdit_deviceName->text()));
    sendParameters(HIDR_DEVICE_NAME);
}

#define NAME_SLOTS(n)                                        \
    void MainWindow::on_lineEdit_zone##n##_editingFinished() \
    {                                                        \
        editZoneName(n);                                     \
    }                                                        \
    void MainWindow::on_lineEdit_pgm_##n##_editingFinished() \
    {                                                        \
        editProgramName(n);                                  \
    }
NAME_SLOTS(1)
NAME_SLOTS(2)
NAME_SLOTS(3)
NAME_SLOTS(4)
NAME_SLOTS(5)
NAME_SLOTS(6)
#undef NAME_SLOTS

#define GROUP_NAME_SLOT(a, b)                                   \
    void MainWindow::on_lineEdit_zone##a##b##_editingFinished() \
    {                                                           \
        editGroupName(ui->lineEdit_zone##a##b, a, b);           \
    }
GROUP_NAME_SLOT(1, 6)
GROUP_NAME_SLOT(1, 5)
GROUP_NAME_SLOT(1, 4)
GROUP_NAME_SLOT(1, 3)
GROUP_NAME_SLOT(1, 2)
GROUP_NAME_SLOT(2, 6)
GROUP_NAME_SLOT(2, 5)
GROUP_NAME_SLOT(2, 4)
GROUP_NAME_SLOT(2, 3)
GROUP_NAME_SLOT(3, 6)
GROUP_NAME_SLOT(3, 5)
GROUP_NAME_SLOT(3, 4)
GROUP_NAME_SLOT(4, 6)
GROUP_NAME_SLOT(4, 5)
GROUP_NAME_SLOT(5, 6)
#undef GROUP_NAME_SLOT

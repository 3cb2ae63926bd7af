// The context menu of the zones' priority check boxes: the one way to the
// program-6 priority dialog. It stores and sends nothing itself.
#include "mainwindow.h"

#include <QCursor>
#include <QMenu>

void MainWindow::showPriorityMenu()
{
    QMenu menu(this);
    QAction* settings = menu.addAction(tr("Set Pgm 6 Threshold and Hold Time"));
    // At the mouse cursor, wherever the request came from.
    if (menu.exec(QCursor::pos()) == settings) {
        showPriorityValuesInDialog();
        dialog.show(); // never modal: the window stays live beside it
        dialog.raise();
    }
}

#define PRIORITY_MENU_SLOT(n)                                                                     \
    void MainWindow::on_checkBox_priority_en_zone_##n##_customContextMenuRequested(const QPoint&) \
    {                                                                                             \
        showPriorityMenu();                                                                       \
    }
PRIORITY_MENU_SLOT(1)
PRIORITY_MENU_SLOT(2)
PRIORITY_MENU_SLOT(3)
PRIORITY_MENU_SLOT(4)
PRIORITY_MENU_SLOT(5)
PRIORITY_MENU_SLOT(6)
#undef PRIORITY_MENU_SLOT

void MainWindow::showPriorityValuesInDialog()
{
    const zq40::ParameterBlocks& b = pCurrentDevice->blocks;
    dialog.on_set_pgm6_thresh_value(b.get(zq40::kPriorityThreshold));
    dialog.on_set_pgm6_hold_value(b.get(zq40::kPriorityHoldTimeSecs));
}

void MainWindow::OnPgm6SetThreshold(int value)
{
    if (!live())
        return;
    pCurrentDevice->blocks.set(zq40::kPriorityThreshold, value);
    sendParameters(zq40::HIDR_INPUTS_PAGING);
}

void MainWindow::OnPgm6SetHoldTime(int value)
{
    if (!live())
        return;
    pCurrentDevice->blocks.set(zq40::kPriorityHoldTimeSecs, value);
    sendParameters(zq40::HIDR_INPUTS_PAGING);
}

void MainWindow::OnPgm6LoadDefault()
{
    if (live()) {
        pCurrentDevice->blocks.set(zq40::kPriorityHoldTimeSecs, 8);
        pCurrentDevice->blocks.set(zq40::kPriorityThreshold, -60);
        sendParameters(zq40::HIDR_INPUTS_PAGING);
    }
    showPriorityValuesInDialog();
}

void MainWindow::onUpdateRemotesList()
{
    remoteStatus.update(pCurrentDevice);
}

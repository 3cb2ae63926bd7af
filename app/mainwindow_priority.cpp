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
        // INTEGRATION: show the priority dialog (dialog.*), not modal.
    }
}

#define PRIORITY_MENU_SLOT(n)                                                                    \
    void MainWindow::on_checkBox_priority_en_zone_##n##_customContextMenuRequested(const QPoint&) \
    {                                                                                            \
        showPriorityMenu();                                                                      \
    }
PRIORITY_MENU_SLOT(1)
PRIORITY_MENU_SLOT(2)
PRIORITY_MENU_SLOT(3)
PRIORITY_MENU_SLOT(4)
PRIORITY_MENU_SLOT(5)
PRIORITY_MENU_SLOT(6)
#undef PRIORITY_MENU_SLOT

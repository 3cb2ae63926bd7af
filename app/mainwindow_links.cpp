// The link markers of the zone page and bringing a record into line with
// the unit's links.
#include "mainwindow.h"

#include "ui_mainwindow.h"
#include "zone_links.h"

#include <QMessageBox>

#include <array>

using namespace zq40;

void MainWindow::onUpdateLinked()
{
    const std::array labels{ui->label_zones_linked_1, ui->label_zones_linked_2, ui->label_zones_linked_3};
    const std::array frames{ui->frame_linked_1, ui->frame_linked_2, ui->frame_linked_3};
    const std::vector<ZoneRange> groups =
        pCurrentDevice ? linkedGroups(pCurrentDevice->blocks) : std::vector<ZoneRange>{};
    for (size_t k = 0; k < labels.size(); ++k) {
        if (k >= groups.size()) {
            labels[k]->hide();
            frames[k]->hide();
            continue;
        }
        const ZoneRange group = groups[k];
        const QRect first = zoneBox(group.first)->geometry();
        int width = 0;
        for (int zone = group.first; zone <= group.last; ++zone)
            width += zoneBox(zone)->width();
        QLabel* label = labels[k];
        label->setText(tr("Zones %1-%2 Linked").arg(group.first).arg(group.last));
        label->move(first.x(), label->y());
        label->setFixedWidth(width);
        label->show();
        // The frame rings the source, level and range controls of the group.
        QFrame* frame = frames[k];
        frame->setGeometry(first.x() + 5, 26, width - 12, 121);
        frame->setFixedWidth(width - 12);
        frame->show();
    }
}

void MainWindow::conformToLinkedZones(QDevice* device, bool report)
{
    if (!device)
        return;
    conformToLinks(device->blocks);
    if (report && anyZonesLinked(device->blocks)) {
        QMessageBox::information(this, tr("Linked Zones"),
                                 tr("Some settings may have been adjusted to match Linked Zones."), QMessageBox::Ok);
    }
}

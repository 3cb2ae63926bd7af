#include "link_markers.h"

#include "form_widgets.h"
#include "ui_mainwindow.h"
#include "zone_links.h"

#include <array>

using namespace zq40;

LinkMarkers::LinkMarkers(Ui::MainWindow& form)
    : ui(form)
{
}

void LinkMarkers::setUp()
{
    for (QWidget* marker :
         std::initializer_list<QWidget*>{ui.label_zones_linked_1, ui.frame_linked_1, ui.label_zones_linked_2,
                                         ui.frame_linked_2, ui.label_zones_linked_3, ui.frame_linked_3})
        marker->hide();
    for (QFrame* frame : {ui.frame_linked_1, ui.frame_linked_2, ui.frame_linked_3})
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LinkMarkers::show(const ParameterBlocks& blocks)
{
    const std::array labels{ui.label_zones_linked_1, ui.label_zones_linked_2, ui.label_zones_linked_3};
    const std::array frames{ui.frame_linked_1, ui.frame_linked_2, ui.frame_linked_3};
    const std::vector<ZoneRange> groups = linkedGroups(blocks);
    for (size_t k = 0; k < labels.size(); ++k) {
        if (k >= groups.size()) {
            labels[k]->hide();
            frames[k]->hide();
            continue;
        }
        const ZoneRange group = groups[k];
        const QRect first = form::zoneBox(ui, group.first)->geometry();
        int width = 0;
        for (int zone = group.first; zone <= group.last; ++zone)
            width += form::zoneBox(ui, zone)->width();
        QLabel* label = labels[k];
        label->setText(
            QCoreApplication::translate("MainWindow", "Zones %1-%2 Linked").arg(group.first).arg(group.last));
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

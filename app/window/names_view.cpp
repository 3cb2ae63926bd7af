#include "names_view.h"

#include "form_widgets.h"
#include "latin1_text.h"
#include "ui_mainwindow.h"

using namespace zq40;

NamesView::NamesView(Ui::MainWindow& form, ControlState& state)
    : ui(form)
    , state(state)
{
}

void NamesView::refreshNames()
{
    const ParameterBlocks& b = state.blocks();
    for (int zone = 1; zone <= kZones; ++zone)
        form::zoneNameEdit(ui, zone)->setText(latin1ToQString(b.label(zoneLabel(zone))));
    for (const ZoneRange& range : kGroupRanges)
        form::groupNameEdit(ui, range.first, range.last)
            ->setText(latin1ToQString(b.label(groupLabel(range.first, range.last))));
    ui.lineEdit_deviceName->setText(latin1ToQString(b.deviceNameText()));
    for (int zone = 1; zone <= kZones; ++zone)
        form::zoneBox(ui, zone)->setTitle(latin1ToQString(b.label(zoneLabel(zone))));
}

void NamesView::refreshProgramNames()
{
    const ParameterBlocks& b = state.blocks();
    for (int input = 1; input <= kPgmInputs; ++input)
        form::programNameEdit(ui, input)->setText(latin1ToQString(b.label(pgmLabel(input))));
}

void NamesView::zoneNameEdited(int zone)
{
    if (!state.live())
        return;
    const LabelSlot slot = zoneLabel(zone);
    const EditResult result =
        state.session.apply(ParameterChange::name(slot, qstringToLatin1(form::zoneNameEdit(ui, zone)->text())));
    if (!result.applied)
        return;
    form::zoneBox(ui, zone)->setTitle(latin1ToQString(state.blocks().label(slot)));
    state.session.send(hidr_t(result.code));
}

void NamesView::groupNameEdited(int first, int last)
{
    nameEdited(groupLabel(first, last), form::groupNameEdit(ui, first, last));
}

void NamesView::programNameEdited(int input)
{
    nameEdited(pgmLabel(input), form::programNameEdit(ui, input));
}

void NamesView::deviceNameEdited()
{
    if (state.live())
        state.session.edit(ParameterChange::deviceName(qstringToLatin1(ui.lineEdit_deviceName->text())));
}

void NamesView::nameEdited(LabelSlot slot, const QLineEdit* edit)
{
    if (state.live())
        state.session.edit(ParameterChange::name(slot, qstringToLatin1(edit->text())));
}

#include "inputs_view.h"

#include "dialog.h"
#include "form_widgets.h"
#include "ui_mainwindow.h"
#include "value_text.h"

using namespace zq40;

InputsView::InputsView(Ui::MainWindow& form, ControlState& state, Dialog& dialog)
    : ui(form)
    , state(state)
    , dialog(dialog)
{
}

void InputsView::refresh()
{
    const ParameterBlocks& b = state.blocks();
    for (int input = 1; input <= kPgmInputs; ++input)
        form::programLevelSlider(ui, input)->setValue(b.get(pgmLevel(input)));
    ui.comboBox_page1_prio->setCurrentIndex(b.get(kPage1Priority) - 1);
    ui.checkBox_page1_thresh_mode->setChecked(b.flag(kPage1ThreshEn));
    ui.vSlider_page1_thresh_value->setValue(b.get(kPage1Threshold));
    ui.vSlider_page1_eq_lo->setValue(b.get(kPage1EQLo));
    ui.vSlider_page1_eq_hi->setValue(b.get(kPage1EQHi));
    ui.comboBox_page1_chime->setCurrentIndex(b.get(kPage1ChimeLevel));
    ui.comboBox_page1_chime->setEnabled(!b.flag(kPage1ThreshEn));
    ui.comboBox_page2_prio->setCurrentIndex(b.get(kPage2Priority) - 1);
    ui.checkBox_page2_phantom->setChecked(b.flag(kPage2PhantomPwr));
    ui.checkBox_page2_pad->setChecked(b.flag(kPage2Pad));
    ui.vSlider_page2_trim_level_value->setValue(b.get(kPage2Trim));
    ui.vSlider_page2_eq_lo->setValue(b.get(kPage2EQLo));
    ui.vSlider_page2_eq_hi->setValue(b.get(kPage2EQHi));
    ui.comboBox_page2_chime->setCurrentIndex(b.get(kPage2ChimeLevel));
    for (int group = 1; group <= 2; ++group) {
        for (int zone = 1; zone <= kZones; ++zone)
            form::groupMemberBox(ui, group, zone)->setChecked(b.groupHasZone(group, zone));
    }
    ui.checkBox_group_disable->setChecked(b.flag(kDisableGroupStore));
    showPriorityInDialog();
}

void InputsView::showPriorityInDialog()
{
    const ParameterBlocks& b = state.blocks();
    dialog.on_set_pgm6_thresh_value(b.get(kPriorityThreshold));
    dialog.on_set_pgm6_hold_value(b.get(kPriorityHoldTimeSecs));
}

void InputsView::valueEdited(QLabel* label, ValueLabel kind, int value, Field field)
{
    label->setText(QString::fromStdString(valueText(kind, value)));
    fieldEdited(field, value);
}

void InputsView::fieldEdited(Field field, int value)
{
    if (state.live())
        state.session.edit(ParameterChange::of(field, value));
}

void InputsView::groupMemberEdited(int group, int zone, bool member)
{
    if (state.live())
        state.session.edit(ParameterChange::groupMember(group, zone, member));
}

void InputsView::page1ChimeEdited(int index)
{
    if (!state.live())
        return;
    // Refused in threshold mode: the box goes back to "Off".
    if (!state.session.edit(ParameterChange::of(kPage1ChimeLevel, index)).applied)
        ui.comboBox_page1_chime->setCurrentIndex(0);
}

void InputsView::thresholdModeEdited(bool on)
{
    if (!state.live())
        return;
    state.controlsLive = false;
    const EditResult result = state.session.apply(ParameterChange::of(kPage1ThreshEn, on ? 1 : 0));
    if (on)
        ui.comboBox_page1_chime->setCurrentIndex(0);
    ui.comboBox_page1_chime->setEnabled(!on);
    state.session.send(hidr_t(result.code));
    state.controlsLive = true;
}

#include "zones_view.h"

#include "form_widgets.h"
#include "level_conversion.h"
#include "ui_mainwindow.h"
#include "value_text.h"

#include <algorithm>

using namespace zq40;

ZonesView::ZonesView(Ui::MainWindow& form, ControlState& state)
    : ui(form)
    , state(state)
{
}

void ZonesView::refreshSettings()
{
    const ParameterBlocks& b = state.blocks();
    for (ZoneSetting s : {ZoneSetting::EQLo, ZoneSetting::EQMid, ZoneSetting::EQHi}) {
        for (int zone = 1; zone <= kZones; ++zone)
            form::settingSlider(ui, zone, s)->setValue(b.get(zoneSetting(zone, s)));
    }
    for (int zone = 1; zone <= kZones; ++zone)
        form::priorityBox(ui, zone)->setChecked(b.flag(zoneSetting(zone, ZoneSetting::PriorityEnable)));
    for (ZoneSetting s : {ZoneSetting::PageLevel, ZoneSetting::DuckerDepth}) {
        for (int zone = 1; zone <= kZones; ++zone)
            form::settingSlider(ui, zone, s)->setValue(b.get(zoneSetting(zone, s)));
    }
    for (int zone = 1; zone <= kZones; ++zone) {
        const int hertz = b.get(zoneSetting(zone, ZoneSetting::HighPassFreq));
        form::settingSlider(ui, zone, ZoneSetting::HighPassFreq)->setValue(highPassSliderValue(uint8_t(hertz)));
    }
    for (int zone = 1; zone <= kZones; ++zone)
        form::settingSlider(ui, zone, ZoneSetting::LimiterValue)
            ->setValue(b.get(zoneSetting(zone, ZoneSetting::LimiterValue)));
}

void ZonesView::refreshLevels()
{
    const ParameterBlocks& b = state.blocks();
    for (int zone = 1; zone <= kZones; ++zone)
        form::sourceBox(ui, zone)->setCurrentIndex(b.get(zoneLevel(zone, ZoneLevel::Source)));
    // The limits follow the received values first, so that neither box
    // clamps a stored value to limits left over from an earlier edit.
    for (int zone = 1; zone <= kZones; ++zone)
        limitRange(zone, b.get(zoneLevel(zone, ZoneLevel::MinLevel)), b.get(zoneLevel(zone, ZoneLevel::MaxLevel)));
    for (int zone = 1; zone <= kZones; ++zone)
        form::minimumBox(ui, zone)->setValue(b.get(zoneLevel(zone, ZoneLevel::MinLevel)));
    for (int zone = 1; zone <= kZones; ++zone)
        form::maximumBox(ui, zone)->setValue(b.get(zoneLevel(zone, ZoneLevel::MaxLevel)));
    for (int zone = 1; zone <= kZones; ++zone)
        form::levelSlider(ui, zone)->setValue(levelSliderValue(b.levelPosition(zone)));
}

void ZonesView::settingEdited(QLabel* label, ValueLabel kind, int zone, ZoneSetting setting, int value)
{
    // The label follows even during a refresh.
    label->setText(QString::fromStdString(valueText(kind, value)));
    if (state.live())
        state.session.edit(ParameterChange::of(zoneSetting(zone, setting), value));
}

void ZonesView::highPassEdited(QLabel* label, int zone, int sliderValue)
{
    // The slider counts tens of hertz.
    label->setText(QString::fromStdString(valueText(ValueLabel::HighPassSlider, sliderValue)));
    if (state.live())
        state.session.edit(
            ParameterChange::of(zoneSetting(zone, ZoneSetting::HighPassFreq), highPassFromSlider(sliderValue)));
}

void ZonesView::priorityEdited(int zone, bool on)
{
    if (state.live())
        state.session.edit(ParameterChange::of(zoneSetting(zone, ZoneSetting::PriorityEnable), on ? 1 : 0));
}

void ZonesView::faderMoved(int zone, int value)
{
    if (state.live()) {
        state.controlsLive = false;
        const EditResult result = state.session.apply(ParameterChange::fader(zone, float(value)));
        // Linked faders move at once: the stored values are already theirs.
        for (int other : result.followers)
            form::levelSlider(ui, other)->setValue(value);
        state.session.send(hidr_t(result.code));
        state.controlsLive = true;
    }
    showLevel(zone);
}

void ZonesView::sourceChosen(int zone, int index)
{
    if (!state.live())
        return;
    state.controlsLive = false;
    const EditResult result = state.session.apply(ParameterChange::of(zoneLevel(zone, ZoneLevel::Source), index));
    for (int other : result.followers)
        form::sourceBox(ui, other)->setCurrentIndex(index);
    state.session.send(hidr_t(result.code));
    state.controlsLive = true;
}

void ZonesView::minimumEdited(int zone, int value)
{
    if (!state.live()) {
        showLevel(zone);
        return;
    }
    limitRange(zone, value, state.blocks().get(zoneLevel(zone, ZoneLevel::MaxLevel)));
    const EditResult result = state.session.apply(ParameterChange::of(zoneLevel(zone, ZoneLevel::MinLevel), value));
    if (result.applied)
        showFaderAndSend(zone, result.code);
}

void ZonesView::maximumEdited(int zone, int value)
{
    if (!state.live()) {
        showLevel(zone);
        return;
    }
    limitRange(zone, state.blocks().get(zoneLevel(zone, ZoneLevel::MinLevel)), value);
    const EditResult result = state.session.apply(ParameterChange::of(zoneLevel(zone, ZoneLevel::MaxLevel), value));
    if (result.applied)
        showFaderAndSend(zone, result.code);
}

void ZonesView::showFaderAndSend(int zone, uint8_t code)
{
    // The fader moves without its slot storing or sending anything.
    state.controlsLive = false;
    form::levelSlider(ui, zone)->setValue(levelSliderValue(state.blocks().levelPosition(zone)));
    showLevel(zone);
    state.session.send(hidr_t(code));
    state.controlsLive = true;
}

void ZonesView::showLevel(int zone)
{
    const QDevice* record = state.session.currentDevice();
    const int level = record ? record->blocks.get(zoneLevel(zone, ZoneLevel::Level)) : 0;
    form::levelLabel(ui, zone)->setText(QString::fromStdString(valueText(ValueLabel::ZoneLevel, level)));
}

void ZonesView::limitRange(int zone, int minimum, int maximum)
{
    // The maximum never reaches "Off", the minimum's bottom value.
    QSpinBox* maxBox = form::maximumBox(ui, zone);
    QSpinBox* minBox = form::minimumBox(ui, zone);
    const int maxFloor = minimum == -40 ? -39 : minimum;
    maxBox->setMinimum(std::min(maxFloor, maxBox->maximum()));
    minBox->setMaximum(std::max(maximum, minBox->minimum()));
}

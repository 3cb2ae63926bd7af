// The six zone outputs: their settings (block 1) and levels (block 16) drawn
// from the current record, and their edits. Fader and source edits reach
// the linked zones; a zone's minimum and maximum keep each other in range.
#pragma once

#include "control_state.h"
#include "value_text.h"

class QLabel;

namespace Ui {
class MainWindow;
}

class ZonesView {
public:
    ZonesView(Ui::MainWindow& form, ControlState& state);

    void refreshSettings();
    void refreshLevels();

    // A zone setting's slider with its value label.
    void settingEdited(QLabel* label, zq40::ValueLabel kind, int zone, zq40::ZoneSetting setting, int value);
    void highPassEdited(QLabel* label, int zone, int sliderValue);
    void priorityEdited(int zone, bool on);
    void faderMoved(int zone, int value);
    void sourceChosen(int zone, int index);
    void minimumEdited(int zone, int value);
    void maximumEdited(int zone, int value);

private:
    void showLevel(int zone);
    // Keeps the zone's minimum and maximum boxes from crossing.
    void limitRange(int zone, int minimum, int maximum);
    // After a range edit: the fader shows the new position, the block goes out.
    void showFaderAndSend(int zone, uint8_t code);

    Ui::MainWindow& ui;
    ControlState& state;
};

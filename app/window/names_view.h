// The names and labels (blocks 4 to 13): zone, linked-group, program-input
// and device names drawn from the current record, and their edits. The line
// edits limit the length; the record keeps a NUL after each name.
#pragma once

#include "control_state.h"

class QLineEdit;

namespace Ui {
class MainWindow;
}

class NamesView {
public:
    NamesView(Ui::MainWindow& form, ControlState& state);

    // Zone, group and device names, and the zones' titles.
    void refreshNames();
    void refreshProgramNames();

    void zoneNameEdited(int zone);
    void groupNameEdited(int first, int last);
    void programNameEdited(int input);
    void deviceNameEdited();

private:
    void nameEdited(zq40::LabelSlot slot, const QLineEdit* edit);

    Ui::MainWindow& ui;
    ControlState& state;
};

// The program inputs and the two paging inputs (block 3): their controls
// drawn from the current record, and their edits. Paging input 1 pages
// without a chime in threshold mode.
#pragma once

#include "control_state.h"
#include "value_text.h"

class Dialog;
class QLabel;

namespace Ui {
class MainWindow;
}

class InputsView {
public:
    InputsView(Ui::MainWindow& form, ControlState& state, Dialog& dialog);

    void refresh();
    // The record's program-6 threshold and hold time in the priority dialog.
    void showPriorityInDialog();

    // A slider with a value label: the label follows even during a refresh.
    void valueEdited(QLabel* label, zq40::ValueLabel kind, int value, zq40::Field field);
    void fieldEdited(zq40::Field field, int value);
    void groupMemberEdited(int group, int zone, bool member);
    void page1ChimeEdited(int index);
    void thresholdModeEdited(bool on);

private:
    Ui::MainWindow& ui;
    ControlState& state;
    Dialog& dialog;
};

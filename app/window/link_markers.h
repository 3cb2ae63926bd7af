// The markers of the linked groups on the zone page: a label naming the
// group over its zones and a frame ringing their level controls.
#pragma once

namespace Ui {
class MainWindow;
}

namespace zq40 {
struct ParameterBlocks;
}

class LinkMarkers {
public:
    explicit LinkMarkers(Ui::MainWindow& form);

    // Hidden, and the frames let clicks through to the controls under them.
    void setUp();
    // One marker per linked group of `blocks`, from left to right.
    void show(const zq40::ParameterBlocks& blocks);

private:
    Ui::MainWindow& ui;
};

// The connection frame at the bottom of the window: the device list's
// neighbours that say whether the shown unit is connected, its identity
// (firmware, serial, hardware revision), the firmware button and the
// progress of an update. The one writer of everything in it but the list.
#pragma once

#include "presentation.h"

#include <QString>

namespace Ui {
class MainWindow;
}

class ConnectionFrame {
public:
    explicit ConnectionFrame(Ui::MainWindow& form);

    // As the window is built: white, nothing of an update shown.
    void setUp();

    // The presentation the core decided for the shown record.
    void show(const zq40::FrameState& state);

    // A firmware update: the button takes no second press while it runs.
    void showUpdateRunning(bool running);
    // Its start, its progress, and how it ended.
    void showUpdateStarting(const QString& status);
    void showProgress(int value, bool failed);
    // The unit still shown: the failure stays on screen until another
    // record is chosen; otherwise nothing of the update stays.
    void showUpdateFailed(bool unitStillShown);
    void showUnitUpdated();
    // The window was closed during the update: it closes when it ends.
    void showClosingAfterUpdate();

private:
    void setConnected(zq40::Connection state);
    void showUpdateDisplay(zq40::UpdateDisplay display);
    void setIdentityVisible(bool visible);
    void hideUpdate();
    void releaseIdentity();
    // The note under the firmware button: the update keeps the settings, or
    // the window closes when the update ends.
    void showUpdateNote(bool updateOffered);

    Ui::MainWindow& ui;
    // After a failed update the identity labels return with the next record.
    bool identityHeldBack = false;
    bool closing = false;
};

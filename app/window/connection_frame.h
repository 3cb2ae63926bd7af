// The connection frame at the bottom of the window: the device list's
// neighbours that say whether the shown unit is connected, its identity
// (firmware, serial, hardware revision), the firmware button and the
// progress of an update. The one writer of everything in it but the list.
#pragma once

#include "orlousb.h"

#include <QString>

namespace Ui {
class MainWindow;
}

class ConnectionFrame {
public:
    explicit ConnectionFrame(Ui::MainWindow& form);

    // As the window is built: white, nothing of an update shown.
    void setUp();

    // The three presentations of a chosen record.
    void showWorkingOffline();
    void showOnline(const ousb_device_info_t& unit);
    void showFirmwareMismatch(const ousb_device_info_t* unit);

    // What the remotes pass decides for the shown unit.
    void showConnected();
    void offerFirmwareUpdate();
    // A child the unit's slots do not take.
    void markUnsupportedChild();

    // A firmware update: its start, its progress, and how it ended.
    void showUpdateStarting(const QString& status);
    void showProgress(int value, bool failed);
    // The unit still shown: the failure stays on screen until another
    // record is chosen; otherwise nothing of the update stays.
    void showUpdateFailed(bool unitStillShown);
    void showUnitUpdated();
    void showChildrenUpdated();
    // The window was closed during the update: it closes when it ends.
    void showClosingAfterUpdate();

private:
    void setConnected(const char* state);
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

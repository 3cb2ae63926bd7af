// The remote status display of the main window: one status line per child
// slot (paging station, six zone remotes, master remote) and, from the same
// pass, the connected or firmware-mismatch presentation of the unit.
#pragma once

#include <QString>

#include <array>
#include <functional>

class QDevice;
class QLabel;
class QWidget;

namespace Ui {
class MainWindow;
}

class RemoteStatusPanel {
public:
    // ui: the window's form; it may be set up later, the panel reads its
    // widgets on each pass. setParameterControlsEnabled: the window's switch
    // of every parameter control.
    RemoteStatusPanel(Ui::MainWindow& ui, std::function<void(bool)> setParameterControlsEnabled);

    // Redraws every slot from the unit's children and settles the unit's
    // presentation. device: the unit shown, or null while working offline
    // (a record with no handle or no device info counts as offline).
    void update(const QDevice* device);

    // While a firmware update runs, children leave and return under it; the
    // pass then redraws the slots only, so the update's progress, its
    // result and the locked controls stay on screen.
    void setFirmwareUpdateRunning(bool running) { updateRunning = running; }
    bool firmwareUpdateRunning() const { return updateRunning; }

    // The status labels, in slot order.
    std::array<QLabel*, 8> statusLabels() const;

private:
    void showOffline();
    void showConnected();
    void showFirmwareMismatch();
    void setConnected(const char* value);
    static void setOnline(QLabel* label, const char* value);
    static void restyle(QWidget* widget);

    Ui::MainWindow& ui;
    std::function<void(bool)> setControlsEnabled;
    bool updateRunning = false;
};

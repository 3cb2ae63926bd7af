// The program's one window: the form of the control panel, the record it
// shows while working offline and, as they land, the device registry, the
// priority dialog and the handlers of the controls.
#pragma once

#include "parameter_blocks.h"
#include "qdevices.h"

#include <QMainWindow>
#include <QString>

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow, public DeviceView {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The configuration file named on the command line. The path is kept
    // while the file exists (the first unit listed then does not replace the
    // offline view); a path that names no file is forgotten, silently.
    void openConfigFromPath(const QString& path);
    const QString& startupConfig() const { return startupConfigPath; }

    // The registry's view of the window.
    QDevice* currentDevice() const override { return pCurrentDevice; }
    void fallBackToOfflineDevice() override;

    const QDevices& deviceRegistry() const { return registry; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The working-offline presentation of the window.
    void showWorkingOffline();
    // Sets the "connected" property of the connection frame ("true", "false"
    // or "mismatch") and restyles the frame so the matching rule applies.
    void setConnectedState(const QString& state);
    // Enables or disables every parameter group box and the three
    // configuration buttons.
    void setParameterControlsEnabled(bool enabled);

    // Construction order matters, see the constructor. INTEGRATION: the
    // program-6 priority dialog (Dialog dialog, no parent) comes first.
    // The registry of connected units; it owns the bridge from the library.
    QDevices registry;
    // The record edited while working offline: factory defaults, no links.
    QDevice offlineDevice;
    // The record the controls show: offlineDevice or a unit's record.
    QDevice* pCurrentDevice = &offlineDevice;
    QString startupConfigPath;
    //   bool controlsLive;              guard of the control handlers

    Ui::MainWindow* ui;
};

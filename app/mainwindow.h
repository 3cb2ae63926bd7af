// The program's one window: the form of the control panel, the record it
// shows while working offline and, as they land, the device registry, the
// priority dialog and the handlers of the controls.
#pragma once

#include "parameter_blocks.h"

#include <QMainWindow>
#include <QString>

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The configuration file named on the command line. The path is kept
    // while the file exists (the first unit listed then does not replace the
    // offline view); a path that names no file is forgotten, silently.
    void openConfigFromPath(const QString& path);
    const QString& startupConfig() const { return startupConfigPath; }

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

    // INTEGRATION (construction order matters, see the constructor):
    //   Dialog dialog;                  program-6 priority dialog, no parent
    //   QDevices registry{this, this};  MainWindow then implements DeviceView
    //   QDevice offlineDevice;          replaces offlineBlocks below
    //   QDevice* pCurrentDevice = &offlineDevice;
    // The record edited while working offline: factory defaults, no links.
    zq40::ParameterBlocks offlineBlocks;
    QString startupConfigPath;
    //   bool controlsLive;              guard of the control handlers

    Ui::MainWindow* ui;
};

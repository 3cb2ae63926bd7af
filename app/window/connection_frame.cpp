#include "connection_frame.h"

#include "ui_mainwindow.h"

#include <QStyle>

#include <initializer_list>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("MainWindow", text);
}

} // namespace

ConnectionFrame::ConnectionFrame(Ui::MainWindow& form)
    : ui(form)
{
}

void ConnectionFrame::setUp()
{
    setConnected(zq40::Connection::No);
    ui.label_fw_update_status->hide();
    ui.label_update_fw->hide();
    ui.progressBar_fw->hide();
}

void ConnectionFrame::show(const zq40::FrameState& state)
{
    using zq40::ConnectionLabel;
    ui.lbl_fw_version_value->setText(state.firmware);
    ui.lbl_serial_value->setText(state.serial);
    ui.lbl_hw_revision_value->setText(state.hardwareRevision);
    switch (state.label) {
    case ConnectionLabel::Offline:
        ui.label_connected->setText(tr("<font color='Gray'>Offline</font>"));
        ui.frame_connected->setPalette(ui.frame_connected->style()->standardPalette());
        break;
    case ConnectionLabel::Connected:
        ui.label_connected->setText(tr("Connected"));
        break;
    case ConnectionLabel::FirmwareMismatch:
        ui.label_connected->setText(tr("FW Mismatch"));
        break;
    }
    ui.pushButton_firmware->setVisible(state.updateOffered);
    showUpdateNote(state.updateOffered);
    setConnected(state.connection);
    showUpdateDisplay(state.update);
}

void ConnectionFrame::showUpdateDisplay(zq40::UpdateDisplay display)
{
    using zq40::UpdateDisplay;
    switch (display) {
    case UpdateDisplay::Kept:
        break;
    case UpdateDisplay::KeptForRecord:
        releaseIdentity();
        break;
    case UpdateDisplay::DroppedForRecord:
        hideUpdate();
        releaseIdentity();
        break;
    case UpdateDisplay::Dropped:
        hideUpdate();
        setIdentityVisible(true);
        break;
    case UpdateDisplay::DroppedAfterChildren:
        hideUpdate();
        setIdentityVisible(true);
        ui.lbl_hw_revision_value->hide();
        break;
    }
}

void ConnectionFrame::showUpdateRunning(bool running)
{
    ui.pushButton_firmware->setEnabled(!running);
}

void ConnectionFrame::showUpdateStarting(const QString& status)
{
    ui.label_fw_update_status->setText(status);
    ui.label_fw_update_status->show();
    setIdentityVisible(false);
    ui.progressBar_fw->setValue(0);
    ui.progressBar_fw->show();
    ui.progressBar_fw->repaint();
}

void ConnectionFrame::showProgress(int value, bool failed)
{
    ui.progressBar_fw->setValue(value);
    ui.progressBar_fw->repaint();
    if (failed)
        ui.label_fw_update_status->setText(tr("Firmware Update Failed"));
}

void ConnectionFrame::showUpdateFailed(bool unitStillShown)
{
    ui.label_fw_update_status->setText(tr("Firmware Update Failed"));
    // The window moved on during the update (the unit left, another record
    // is shown): nothing of the update belongs on screen any more.
    if (!unitStillShown) {
        hideUpdate();
        setIdentityVisible(true);
        return;
    }
    // The failure stays while the unit does; no presentation shows the
    // labels by itself, so they return with the next chosen record.
    identityHeldBack = true;
}

void ConnectionFrame::showUnitUpdated()
{
    setIdentityVisible(true);
    hideUpdate();
}

void ConnectionFrame::showClosingAfterUpdate()
{
    closing = true;
    showUpdateNote(false);
}

void ConnectionFrame::showUpdateNote(bool updateOffered)
{
    // While the window waits to close, every presentation says so.
    QLabel* note = ui.label_update_fw;
    if (closing)
        note->setText(tr("Will close after the update."));
    else if (updateOffered)
        note->setText(tr("Will not affect your settings."));
    note->setVisible(closing || updateOffered);
}

void ConnectionFrame::setConnected(zq40::Connection state)
{
    using zq40::Connection;
    const char* name = state == Connection::Yes ? "true" : state == Connection::Mismatch ? "mismatch" : "false";
    // The style sheet reads the property only when it polishes the frame.
    QFrame* frame = ui.frame_connected;
    frame->setProperty("connected", QString::fromLatin1(name));
    frame->style()->unpolish(frame);
    frame->style()->polish(frame);
    frame->update();
}

void ConnectionFrame::setIdentityVisible(bool visible)
{
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui.lbl_serial, ui.lbl_serial_value, ui.lbl_fw_version, ui.lbl_fw_version_value,
                                         ui.lbl_hw_revision, ui.lbl_hw_revision_value})
        w->setVisible(visible);
}

void ConnectionFrame::releaseIdentity()
{
    if (identityHeldBack)
        setIdentityVisible(true);
    identityHeldBack = false;
}

void ConnectionFrame::hideUpdate()
{
    ui.label_fw_update_status->hide();
    ui.progressBar_fw->hide();
}

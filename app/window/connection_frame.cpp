#include "connection_frame.h"

#include "presentation.h"
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
    setConnected("false");
    ui.label_fw_update_status->hide();
    ui.label_update_fw->hide();
    ui.progressBar_fw->hide();
}

void ConnectionFrame::showWorkingOffline()
{
    ui.lbl_fw_version_value->clear();
    ui.lbl_serial_value->clear();
    ui.lbl_hw_revision_value->clear();
    ui.label_connected->setText(tr("<font color='Gray'>Offline</font>"));
    ui.frame_connected->setPalette(ui.frame_connected->style()->standardPalette());
    ui.pushButton_firmware->hide();
    showUpdateNote(false);
    hideUpdate();
    setConnected("false");
    releaseIdentity();
}

void ConnectionFrame::showOnline(const ousb_device_info_t& unit)
{
    ui.lbl_fw_version_value->setText(zq40::versionText(unit.ver));
    ui.lbl_serial_value->setText(QString::number(unit.ser));
    ui.lbl_hw_revision_value->setText(QString::number(unit.word1));
    ui.label_connected->setText(tr("Connected"));
    ui.pushButton_firmware->hide();
    showUpdateNote(false);
    hideUpdate();
    setConnected("true");
    releaseIdentity();
}

void ConnectionFrame::showFirmwareMismatch(const ousb_device_info_t* unit)
{
    if (unit) {
        ui.lbl_fw_version_value->setText(zq40::versionText(unit->ver));
        ui.lbl_serial_value->setText(QString::number(unit->ser));
        ui.lbl_hw_revision_value->setText(QString::number(unit->word1));
    }
    // The progress of an update stays: the unit may be between its steps.
    releaseIdentity();
    offerFirmwareUpdate();
}

void ConnectionFrame::showConnected()
{
    ui.label_connected->setText(tr("Connected"));
    ui.pushButton_firmware->hide();
    showUpdateNote(false);
    setConnected("true");
    hideUpdate();
    setIdentityVisible(true);
}

void ConnectionFrame::offerFirmwareUpdate()
{
    ui.label_connected->setText(tr("FW Mismatch"));
    ui.pushButton_firmware->show();
    showUpdateNote(true);
    setConnected("mismatch");
}

void ConnectionFrame::markUnsupportedChild()
{
    setConnected("mismatch");
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

void ConnectionFrame::showChildrenUpdated()
{
    ui.pushButton_firmware->hide();
    showUpdateNote(false);
    setIdentityVisible(true);
    ui.lbl_hw_revision_value->hide();
    hideUpdate();
    setConnected("true");
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

void ConnectionFrame::setConnected(const char* state)
{
    // The style sheet reads the property only when it polishes the frame.
    QFrame* frame = ui.frame_connected;
    frame->setProperty("connected", QString::fromLatin1(state));
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

#include "remote_status.h"

#include "qdevice.h"
#include "remote_status_rules.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QStyle>

#include <initializer_list>
#include <utility>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("MainWindow", text);
}

// The child under a key, if the library's record is there to read.
const ousb_child_device_info_t* childInfo(const QDevice& device, quint16 key)
{
    const QChildDevice* child = device.children.value(key, nullptr);
    return child ? child->pDeviceInfo : nullptr;
}

// The record is packed: the name pointer is read by value, never by reference.
QString childName(const ousb_child_device_info_t& child)
{
    const char* name = child.name;
    return QString::fromUtf8(name ? name : "???");
}

} // namespace

RemoteStatusPanel::RemoteStatusPanel(Ui::MainWindow& form, std::function<void(bool)> setParameterControlsEnabled)
    : ui(form)
    , setControlsEnabled(std::move(setParameterControlsEnabled))
{
}

std::array<QLabel*, 8> RemoteStatusPanel::statusLabels() const
{
    return {ui.lbl_dr_status_value_pager, ui.lbl_dr_status_value_1, ui.lbl_dr_status_value_2, ui.lbl_dr_status_value_3,
            ui.lbl_dr_status_value_4,     ui.lbl_dr_status_value_5, ui.lbl_dr_status_value_6, ui.lbl_dr_status_value_m};
}

void RemoteStatusPanel::update(const QDevice* device)
{
    if (!device || !device->devHandle || !device->pDeviceInfo) {
        showOffline();
        return;
    }
    using zq40::RemoteState;
    bool mismatch = zq40::mainUnitMismatch(device->pDeviceInfo->word5);
    bool childMismatch = false;
    const std::array<QLabel*, 8> labels = statusLabels();
    for (size_t i = 0; i < labels.size(); ++i) {
        const zq40::RemoteSlot& slot = zq40::kRemoteSlots[i];
        QLabel* label = labels[i];
        const ousb_child_device_info_t* child = childInfo(*device, slot.key);
        switch (zq40::remoteState(slot, child)) {
        case RemoteState::NotConnected:
            label->setText(tr("Not Connected"));
            label->setToolTip(QString());
            setOnline(label, "false");
            break;
        case RemoteState::Unsupported:
            if (!updateRunning)
                setConnected("mismatch");
            label->setText(tr("Unsupported"));
            label->setToolTip(QString::fromStdString(zq40::childVersionText(*child)));
            setOnline(label, "mismatch");
            break;
        case RemoteState::FirmwareMismatch:
            label->setText(slot.pagingStation ? tr("FW Mismatch") : tr("FW Mismatch (%1)").arg(childName(*child)));
            label->setToolTip(QString::fromStdString(zq40::childVersionText(*child)));
            setOnline(label, "mismatch");
            mismatch = true;
            childMismatch = true;
            break;
        case RemoteState::Online:
            label->setText(tr("%1 Online").arg(childName(*child)));
            label->setToolTip(QString::fromStdString(zq40::childVersionText(*child)));
            setOnline(label, "true");
            break;
        }
        restyle(label);
    }
    if (updateRunning)
        return;

    const zq40::UnitState unit = zq40::unitState(mismatch, device->pDeviceInfo->word1);
    if (unit == zq40::UnitState::Connected)
        showConnected();
    else if (unit == zq40::UnitState::FirmwareMismatch)
        showFirmwareMismatch();
    const auto enabled = zq40::controlsEnabledAfterPass(unit, childMismatch);
    if (enabled && setControlsEnabled)
        setControlsEnabled(*enabled);
}

void RemoteStatusPanel::showOffline()
{
    for (QLabel* label : statusLabels()) {
        label->setText(tr("n/a"));
        label->setToolTip(QString());
        setOnline(label, "false");
        restyle(label);
    }
}

void RemoteStatusPanel::showConnected()
{
    ui.label_connected->setText(tr("Connected"));
    ui.pushButton_firmware->hide();
    ui.label_update_fw->hide();
    setConnected("true");
    ui.label_fw_update_status->hide();
    ui.progressBar_fw->hide();
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui.lbl_hw_revision, ui.lbl_serial, ui.lbl_serial_value, ui.lbl_fw_version,
                                         ui.lbl_fw_version_value, ui.lbl_hw_revision_value})
        w->show();
}

void RemoteStatusPanel::showFirmwareMismatch()
{
    ui.label_connected->setText(tr("FW Mismatch"));
    ui.pushButton_firmware->show();
    ui.label_update_fw->show();
    setConnected("mismatch");
}

void RemoteStatusPanel::setConnected(const char* value)
{
    ui.frame_connected->setProperty("connected", QString::fromLatin1(value));
    restyle(ui.frame_connected);
}

void RemoteStatusPanel::setOnline(QLabel* label, const char* value)
{
    label->setProperty("online", QString::fromLatin1(value));
}

void RemoteStatusPanel::restyle(QWidget* widget)
{
    // The style sheet reads dynamic properties only when it polishes.
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}

// Configuration files and the shown record: open a file onto it, save it,
// start afresh, and the file named on the command line.
#include "mainwindow.h"

#include "config.h"
#include "parameter_reports.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

using namespace zq40;

namespace {

template <size_t N>
void sendInOrder(MainWindow& window, const std::array<hidr_t, N>& codes)
{
    // Each send lets events run: the shown record may change between two
    // sends (a unit pulled out), so the current one is looked up every time.
    for (hidr_t code : codes)
        window.sendParameters(code);
}

} // namespace

QString MainWindow::configFolder()
{
    const QString home = QDir::homePath();
    for (const QString& documents : {home + QStringLiteral("/My Documents"), home + QStringLiteral("/Documents")}) {
        if (!QFileInfo(documents).isDir())
            continue;
        const QString folder = documents + QStringLiteral("/ZQ40 Configs");
        QDir().mkpath(folder);
        return folder;
    }
    return home;
}

void MainWindow::openConfigFromPath(const QString& path)
{
    startupConfigPath = path;
    if (!QFileInfo::exists(path)) {
        startupConfigPath.clear();
        return;
    }
    // Nothing is linked offline and nothing is sent; a file that cannot be
    // read leaves the offline record as it was.
    config().read(path, offlineDevice.blocks, true);
    onUpdateAllParameters(HIDR_ALL);
}

void MainWindow::on_pushButton_open_config_pressed()
{
    const QString path =
        QFileDialog::getOpenFileName(this, tr("Select Config File"), configFolder(), tr("Config Files (*.zq40)"));
    if (path.isEmpty())
        return;
    // The dialog ran the event loop: look at the shown record only now, and
    // notice if its unit leaves while the message below is open.
    QPointer<QDevice> device = pCurrentDevice;
    // Fields the file does not name take their defaults; the device name is
    // never taken from a file here. The record changes only once the file
    // was read in full: a unit's record must keep matching the unit, since
    // each later edit sends a whole block of it.
    ParameterBlocks loaded = device->blocks;
    loaded.setDefaultParameters(true);
    if (config().read(path, loaded, false) != config::kOk) {
        QMessageBox::warning(this, tr("File Error"), tr("Unable to Load from File"), QMessageBox::Ok);
        return;
    }
    device->blocks = loaded;
    if (device != &offlineDevice)
        conformToLinkedZones(device, true);
    // The links go last: the unit takes the settings before it re-links.
    if (device && pCurrentDevice == device)
        sendInOrder(*this, kOpenConfigSends);
    onUpdateAllParameters(HIDR_ALL);
}

void MainWindow::on_pushButton_save_config_pressed()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Save Config As..."),
                                                      configFolder() + QStringLiteral("/Unnamed_Config.zq40"),
                                                      tr("ZQ40 Config (*.zq40)"));
    if (path.isEmpty())
        return;
    if (config().write(path, pCurrentDevice->blocks, pCurrentDevice->firmwareVersion) == config::kCannotOpen) {
        // Said aloud: a user who believes the settings are saved may lose them.
        QMessageBox::warning(this, tr("File Error"), tr("Unable to Write to File"), QMessageBox::Ok);
        return;
    }
    QMessageBox::information(this, tr("Config Saved"), tr("Config successfully saved as ") + path, QMessageBox::Ok);
}

void MainWindow::on_pushButton_new_config_pressed()
{
    if (pCurrentDevice == &offlineDevice) {
        QMessageBox question(QMessageBox::Question, QString(), tr("Save the current config?"),
                             QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        question.setDefaultButton(QMessageBox::Discard);
        const int answer = question.exec();
        if (answer == QMessageBox::Cancel)
            return;
        if (answer == QMessageBox::Save) {
            const QString path = QFileDialog::getSaveFileName(
                this, tr("Save Config As..."), QStringLiteral("Unnamed_Config.zq40"), tr("ZQ40 Config (*.zq40)"));
            if (path.isEmpty())
                return;
            if (config().write(path, offlineDevice.blocks, offlineDevice.firmwareVersion) == config::kCannotOpen)
                QMessageBox::warning(this, tr("File Error"), tr("Unable to Write to File"), QMessageBox::Ok);
            else
                QMessageBox::information(this, tr("Config Saved"), tr("Previous config successfully saved as ") + path,
                                         QMessageBox::Ok);
        }
        offlineDevice.blocks.setDefaultParameters(false);
        // Only the offline record may have changed while the boxes were open.
        if (pCurrentDevice == &offlineDevice)
            onUpdateAllParameters(HIDR_ALL);
        return;
    }

    QMessageBox question(QMessageBox::Question, QString(), tr("Would you like to restore Factory Defaults?"),
                         QMessageBox::Yes | QMessageBox::Cancel);
    question.setDefaultButton(QMessageBox::Yes);
    QPushButton* workOffline = question.addButton(tr(" No, Work Offline "), QMessageBox::YesRole);
    QPointer<QDevice> unit = pCurrentDevice;
    question.exec();
    if (question.clickedButton() == workOffline) {
        offlineDevice.blocks.setDefaultParameters(false);
        offlineDevice.blocks.clearZoneLinks();
        const int entry =
            ui->comboBox_deviceList->findData(QVariant::fromValue(&offlineDevice), Qt::UserRole, Qt::MatchExactly);
        ui->comboBox_deviceList->setCurrentIndex(entry);
        return;
    }
    // The unit may have left while the question was open: nothing to reset.
    if (question.clickedButton() != question.button(QMessageBox::Yes) || !unit || pCurrentDevice != unit)
        return;
    unit->blocks.setDefaultParameters(true);
    sendInOrder(*this, kNewConfigSends);
    onUpdateAllParameters(HIDR_ALL);
}

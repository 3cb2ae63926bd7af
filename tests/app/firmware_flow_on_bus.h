// What the firmware button tests share: a private data folder and working
// directory, closing the window's message boxes as a person would, watching
// the progress bar, and the emulated unit's blocks as a whole.
#pragma once

#include "firmware_backup.h"
#include "window_on_bus.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include <map>
#include <vector>

namespace firmware_flow {

// 1.1.1.46: one short of the carried main-unit firmware.
constexpr uint32_t kOlderFirmware = 0x0101012E;

// Closes every modal message box with its default or only button and keeps
// what it said.
class MessageBoxCloser : public QObject {
public:
    QStringList seen;

    MessageBoxCloser()
    {
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box == last)
                return;
            last = box;
            seen << box->windowTitle() + QStringLiteral(": ") + box->text() + QStringLiteral(" | ") +
                    box->informativeText();
            box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
        });
        poll.start();
    }

private:
    QTimer poll;
    QPointer<QMessageBox> last;
};

// The highest value the progress bar showed while the flow ran.
class ProgressWatch : public QObject {
public:
    int highest = -1;
    int changes = 0;

    explicit ProgressWatch(QProgressBar* bar)
    {
        connect(bar, &QProgressBar::valueChanged, this, [this](int v) {
            highest = std::max(highest, v);
            ++changes;
        });
    }
};

inline std::map<uint8_t, std::vector<uint8_t>> blocksOf(const zq40emu::Unit& unit)
{
    std::map<uint8_t, std::vector<uint8_t>> all;
    for (uint8_t code : zq40emu::kBlockCodes)
        all[code] = unit.block(code);
    return all;
}

inline QString dataFolder()
{
    return zq40::firmware_backup::folder();
}

// Private folders for the run: never the real home, never the source tree.
inline void useTestFolders(const QString& workingDirectory)
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(dataFolder()).removeRecursively();
    QDir::setCurrent(workingDirectory);
}

inline void removeBackups(const QString& workingDirectory)
{
    QDir(dataFolder()).removeRecursively();
    QFile::remove(dataFolder());
    for (const QString& f : QDir(workingDirectory).entryList({QStringLiteral("*.zq40")}, QDir::Files))
        QFile::remove(QDir(workingDirectory).filePath(f));
}

// The record of the unit with this serial running `word5`, or null.
inline QDevice* recordOn(const MainWindow& window, uint32_t serial, uint32_t word5)
{
    for (const auto& [handle, device] : window.deviceRegistry().all())
        if (device->pDeviceInfo && device->pDeviceInfo->ser == serial && device->pDeviceInfo->word5 == word5)
            return device;
    return nullptr;
}

inline std::vector<uint8_t> parameterWriteCodes(const zq40emu::Unit& unit)
{
    std::vector<uint8_t> codes;
    for (const auto& r : window_on_bus::writesOf(unit, OUSB_MSG_PARAMETER_WRITE))
        codes.push_back(r.bytes[6]);
    return codes;
}

} // namespace firmware_flow

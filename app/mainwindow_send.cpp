// Sending one parameter block to a unit. The offline record has no handle,
// which the library refuses, so offline edits stay in memory.
#include "mainwindow.h"

#include "orlousb.h"
#include "parameter_reports.h"

#include <QCoreApplication>

#include <cstring>

void MainWindow::sendParameters(zq40::hidr_t code)
{
    sendParametersTo(code, pCurrentDevice);
}

void MainWindow::sendParametersTo(zq40::hidr_t code, QDevice* device)
{
    if (!device)
        return;
    const zq40::Report bytes = zq40::parameterWrite(code, device->blocks);
    hid_report_t report{};
    static_assert(sizeof(bytes) == OUSB_REPORT_SIZE);
    std::memcpy(&report, bytes.data(), bytes.size());
    // A failed write is not retried: the record keeps the value and the unit
    // catches up with the next full send or reports its own block.
    if (ousb_WriteReport(device->devHandle, &report))
        device->wroteBlock(code);
    // Received reports and device changes queued meanwhile are handled now.
    QCoreApplication::processEvents();
}

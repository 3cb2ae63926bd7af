// Ctrl+C, Ctrl+Break and the console closing reach the event loop from the
// system's handler thread as a queued call.
#include "interrupt.h"

#include <QCoreApplication>

#include <windows.h>

namespace zq40 {

namespace {

BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
    return TRUE;
}

bool installed = false;

} // namespace

void quitOnInterrupt()
{
    if (!installed)
        installed = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
}

} // namespace zq40

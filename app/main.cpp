// zq40panel [configuration file]: the ZQ40 control panel.
#include "access_hint.h"
#include "command_line.h"
#include "mainwindow.h"
#include "orlousb.h"
#include "single_instance.h"
#include "startup_report.h"
#include "version.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // Answered on the terminal, even with a copy running or no display.
    switch (zq40::commandLineAction(argc, argv)) {
    case zq40::CommandLineAction::ShowHelp:
        std::fputs(zq40::usageText().c_str(), stdout);
        return 0;
    case zq40::CommandLineAction::ShowVersion:
        std::fputs(zq40::versionText().c_str(), stdout);
        return 0;
    case zq40::CommandLineAction::Run:
        break;
    }

    // Before anything else: a second copy leaves at once, quietly, without a
    // window and without opening the file it was given.
    SingleInstance instance(SingleInstance::defaultLockPath());
    if (instance.otherInstanceRunning())
        return 0;

    // The USB library's log, for a bug report: ZQ40_LOG=FILE.
    if (const char* log = std::getenv("ZQ40_LOG"); log && *log && !ousb_EnableLogging(log))
        std::fprintf(stderr, "zq40panel: cannot write the log to %s\n", log);

    QApplication app(argc, argv);
    // Lets the desktop match the window to the installed .desktop file and icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(zq40::kAppId));
    int result;
    {
        MainWindow window;
        // QApplication has taken its own options out of argv: the first one
        // left is ours, the rest are ignored.
        if (argc > 1)
            window.openConfigFromPath(QString::fromLocal8Bit(argv[1]));
        reportFirstPaintIfAsked(&window);
        window.show();
        // A unit present but out of reach shows nowhere else.
        zq40::AccessHint accessHint(&window);
        accessHint.start();
        result = app.exec();
    }
    return result;
}

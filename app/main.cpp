// zq40panel [configuration file]: the ZQ40 control panel.
#include "mainwindow.h"
#include "single_instance.h"
#include "startup_report.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Before anything else: a second copy leaves at once, quietly, without a
    // window and without opening the file it was given.
    SingleInstance instance(SingleInstance::defaultLockPath());
    if (instance.otherInstanceRunning())
        return 0;

    QApplication app(argc, argv);
    int result;
    {
        MainWindow window;
        // QApplication has taken its own options out of argv: the first one
        // left is ours, the rest are ignored.
        if (argc > 1)
            window.openConfigFromPath(QString::fromLocal8Bit(argv[1]));
        reportFirstPaintIfAsked(&window);
        window.show();
        result = app.exec();
    }
    return result;
}

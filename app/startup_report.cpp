#include "startup_report.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <cstdio>

namespace {

class FirstPaintReporter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Queued: the line goes out after this paint has reached the screen.
            QMetaObject::invokeMethod(
                qApp,
                [] {
                    std::fprintf(stderr, "%s\n", shownMarker);
                    std::fflush(stderr);
                },
                Qt::QueuedConnection);
            deleteLater();
        }
        return false;
    }
};

} // namespace

void reportFirstPaintIfAsked(QWidget* window)
{
    if (qEnvironmentVariableIntValue("ZQ40_REPORT_SHOWN") != 1)
        return;
    window->installEventFilter(new FirstPaintReporter(window));
}

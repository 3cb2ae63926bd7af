// zq40ctl monitor: units and children coming and going, and the blocks units
// report on their own, one line each, until interrupted.
#include "tool.h"

#include "interrupt.h"
#include "output.h"
#include "unit_events.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>

namespace zq40::ctl {

int Tool::monitor(bool json)
{
    UnitEvents events(core, waiter);
    QObject::connect(&events, &UnitEvents::DoEvent, [json](const QJsonObject& event, const QString& text) {
        print(json ? QString::fromUtf8(QJsonDocument(event).toJson(QJsonDocument::Compact)) + QLatin1Char('\n')
                   : text + QLatin1Char('\n'));
        std::fflush(stdout);
    });
    quitOnInterrupt();
    ousb_EnumerateDevices();
    QCoreApplication::exec();
    return kOk;
}

} // namespace zq40::ctl

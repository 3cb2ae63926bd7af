// A unit that is plugged in but that this user may not open never reaches
// the device list, and nothing else says why. This tells the user, once,
// how to get access: when the event loop starts and whenever the system adds
// a node that may be a unit, until it has told.
#pragma once

#include "unit_access.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace zq40 {

// The message is a non-modal box on `window` named "accessHint".
class AccessHint : public QObject {
    Q_OBJECT

public:
    explicit AccessHint(QWidget* window, DeniedCheck denied = deniedToThisProcess);

    void start();
    bool told() const { return toldUser; }

public slots:
    void check();

signals:
    void DoHintShown(const QString& text);

private:
    QPointer<QWidget> window;
    DeniedCheck denied;
    bool toldUser = false;
    UnitNodeWatch watch;
};

} // namespace zq40

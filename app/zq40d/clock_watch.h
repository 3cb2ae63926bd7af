// Tells when the system's wall clock is set: timers run on the monotonic
// clock and would otherwise fire at the old time's instant.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace zq40::daemon {

class ClockWatch : public QObject {
    Q_OBJECT

public:
    ClockWatch();
    ~ClockWatch() override;

signals:
    void DoClockSet();

private:
    void arm();
    void fired();

    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
};

} // namespace zq40::daemon

#include "clock_watch.h"

#include <cerrno>
#include <cstdint>
#include <limits>

#include <sys/timerfd.h>
#include <unistd.h>

namespace zq40::daemon {

ClockWatch::ClockWatch()
{
    fd = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0) {
        qWarning("zq40d: cannot watch the clock: schedules miss a setting of it");
        return;
    }
    notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, this, &ClockWatch::fired);
    arm();
}

ClockWatch::~ClockWatch()
{
    notifier.reset();
    if (fd >= 0)
        close(fd);
}

void ClockWatch::arm()
{
    // A timer that never fires by itself: setting the clock cancels it.
    itimerspec never{};
    never.it_value.tv_sec = std::numeric_limits<time_t>::max() / 2;
    timerfd_settime(fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &never, nullptr);
}

void ClockWatch::fired()
{
    uint64_t expirations = 0;
    if (read(fd, &expirations, sizeof expirations) < 0 && errno == ECANCELED) {
        arm();
        emit DoClockSet();
    }
}

} // namespace zq40::daemon

// How many commands a site takes from the broker: a bucket of `burst` that
// fills at `perSecond`, so a script gone wrong cannot keep the units busy.
#pragma once

#include <QElapsedTimer>

#include <algorithm>

namespace zq40::daemon {

class CommandRate {
public:
    CommandRate(double perSecond, double burst)
        : perSecond(perSecond)
        , burst(burst)
        , tokens(burst)
    {
        clock.start();
    }

    bool take()
    {
        tokens = std::min(burst, tokens + clock.restart() * perSecond / 1000.0);
        if (tokens < 1.0)
            return false;
        tokens -= 1.0;
        return true;
    }

private:
    const double perSecond;
    const double burst;
    double tokens;
    QElapsedTimer clock;
};

} // namespace zq40::daemon

#include "throttle.h"

#include <QElapsedTimer>

#include <algorithm>

namespace zq40::daemon {

Throttle::Throttle(Clock clock)
    : now(std::move(clock))
{
    if (!now) {
        now = [] {
            static QElapsedTimer since = [] {
                QElapsedTimer t;
                t.start();
                return t;
            }();
            return since.elapsed();
        };
    }
}

int Throttle::secondsRefused(const QString& address) const
{
    const auto e = table.find(address);
    if (e == table.end())
        return 0;
    const qint64 left = e->second.refusedUntil - now();
    return left > 0 ? int((left + 999) / 1000) : 0;
}

void Throttle::failed(const QString& address)
{
    if (!table.count(address))
        makeRoom();
    Entry& e = table[address];
    e.failures = std::min(e.failures + 1, 64);
    e.lastFailure = now();
    if (e.failures >= kFreeFailures) {
        const int doublings = std::min(e.failures - kFreeFailures, 20);
        e.refusedUntil = e.lastFailure + std::min(kFirstDelayMs << doublings, kLongestDelayMs);
    }
}

void Throttle::makeRoom()
{
    if (table.size() < kMaxAddresses)
        return;
    const qint64 t = now();
    std::erase_if(
        table, [t](const auto& e) { return e.second.refusedUntil <= t && t - e.second.lastFailure > kLongestDelayMs; });
    while (table.size() >= kMaxAddresses) {
        const auto oldest = std::min_element(table.begin(), table.end(), [](const auto& a, const auto& b) {
            return a.second.lastFailure < b.second.lastFailure;
        });
        table.erase(oldest);
    }
}

} // namespace zq40::daemon

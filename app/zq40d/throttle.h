// Wrong PINs by address: after five, that address is refused for a while that
// doubles with each further failure. The table is bounded: a flood of
// addresses pushes out the oldest entries, never grows the service.
#pragma once

#include <QString>

#include <functional>
#include <map>

namespace zq40::daemon {

class Throttle {
public:
    using Clock = std::function<qint64()>; // milliseconds, steady

    static constexpr int kFreeFailures = 5;
    static constexpr qint64 kFirstDelayMs = 30'000;
    static constexpr qint64 kLongestDelayMs = 3'600'000;
    static constexpr size_t kMaxAddresses = 4096;

    explicit Throttle(Clock clock = {});

    // Seconds, rounded up, before `address` may try again; 0: it may now.
    int secondsRefused(const QString& address) const;
    void failed(const QString& address);
    void succeeded(const QString& address) { table.erase(address); }

private:
    struct Entry {
        int failures = 0;
        qint64 lastFailure = 0;
        qint64 refusedUntil = 0;
    };
    void makeRoom();

    Clock now;
    std::map<QString, Entry> table;
};

} // namespace zq40::daemon

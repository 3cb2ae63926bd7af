// One running copy per user. The guard is an exclusive flock on a lock file:
// the system drops it when the process ends, however it ends, so a copy that
// crashed or was killed never keeps the next one from starting.
#pragma once

#include <string>

class SingleInstance {
public:
    // "zq40 named mutex.lock" in $XDG_RUNTIME_DIR; without a usable runtime
    // directory, "/tmp/zq40 named mutex.<uid>.lock".
    static std::string defaultLockPath();

    // Takes the lock at once, without waiting.
    explicit SingleInstance(const std::string& lockPath);
    ~SingleInstance();

    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Another process holds the lock: this copy should leave.
    bool otherInstanceRunning() const { return otherRunning; }
    // This process holds the lock. False also when the lock file could not
    // be used (then the program runs unguarded rather than not at all).
    bool holdsLock() const { return fd >= 0 && !otherRunning; }

private:
    int fd = -1;
    bool otherRunning = false;
};

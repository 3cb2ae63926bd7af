// One running copy of the panel per user. Each system has its own guard (a
// file lock here; a named mutex elsewhere), which the system drops when the
// process ends, however it ends, so a copy that crashed or was killed never
// keeps the next one from starting.
#pragma once

#include <memory>
#include <string>

class SingleInstance {
public:
    // The guard's name for this user: "zq40 named mutex" in the place the
    // system keeps such guards.
    static std::string defaultLockPath();

    // Takes the guard at once, without waiting.
    explicit SingleInstance(const std::string& lockPath);
    ~SingleInstance();

    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Another process holds the guard: this copy should leave.
    bool otherInstanceRunning() const { return otherRunning; }
    // This process holds the guard. False also when the guard could not be
    // made (then the program runs unguarded rather than not at all).
    bool holdsLock() const { return held; }

private:
    struct Guard;
    std::unique_ptr<Guard> guard;
    bool otherRunning = false;
    bool held = false;
};

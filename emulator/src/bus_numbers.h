// Numbers the kernel hands out when devices appear: root hub ports, USB
// device numbers (round robin), hid instances (never reused), hidraw minors
// (lowest free).
#pragma once

#include <set>

namespace zq40emu::detail {

class BusNumbers {
public:
    int takePort() { return takeLowest(ports_, 1); }
    void releasePort(int port) { ports_.erase(port); }

    int takeDevnum();
    void releaseDevnum(int devnum) { devnums_.erase(devnum); }

    unsigned nextHidInstance() { return ++hidInstance_; }

    int takeHidrawMinor() { return takeLowest(minors_, 0); }
    void releaseHidrawMinor(int minor) { minors_.erase(minor); }

private:
    static int takeLowest(std::set<int>& used, int first);

    std::set<int> ports_;
    std::set<int> devnums_;
    int lastDevnum_ = 1; // 1 is the root hub
    unsigned hidInstance_ = 0;
    std::set<int> minors_;
};

} // namespace zq40emu::detail

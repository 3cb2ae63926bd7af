// Records the progress calls of firmware updates, for tests to inspect.
#pragma once

#include "orlousb.h"

#include <mutex>
#include <utility>
#include <vector>

namespace testsupport {

using Progress = std::pair<int, int>; // percent, outcome code

class ProgressRecord {
public:
    static ProgressRecord& instance();

    // The callback to hand to ousb_UpdateDeviceFirmware and
    // ousb_UpdateChildDeviceFirmware.
    static void callback(uint8_t percent, obin_updater_error_t code);

    void clear();
    std::vector<Progress> calls() const;
    // The last call, or (-1, -1) when there was none.
    Progress last() const;

private:
    mutable std::mutex mutex_;
    std::vector<Progress> calls_;
};

} // namespace testsupport

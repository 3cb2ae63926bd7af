#include "progress_record.h"

namespace testsupport {

ProgressRecord& ProgressRecord::instance()
{
    static ProgressRecord record;
    return record;
}

void ProgressRecord::callback(uint8_t percent, obin_updater_error_t code)
{
    auto& self = instance();
    std::lock_guard lock(self.mutex_);
    self.calls_.emplace_back(percent, code);
}

void ProgressRecord::clear()
{
    std::lock_guard lock(mutex_);
    calls_.clear();
}

std::vector<Progress> ProgressRecord::calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

Progress ProgressRecord::last() const
{
    std::lock_guard lock(mutex_);
    return calls_.empty() ? Progress(-1, -1) : calls_.back();
}

} // namespace testsupport

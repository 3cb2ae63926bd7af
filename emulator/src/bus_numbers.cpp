#include "bus_numbers.h"

#include <stdexcept>

namespace zq40emu::detail {

int BusNumbers::takeLowest(std::set<int>& used, int first)
{
    int n = first;
    while (used.count(n))
        ++n;
    used.insert(n);
    return n;
}

int BusNumbers::takeDevnum()
{
    // like usb_alloc_dev: the next free number after the last one, 2..127
    for (int i = 0; i < 126; ++i) {
        int n = lastDevnum_ + 1 + i;
        n = 2 + (n - 2) % 126;
        if (!devnums_.count(n)) {
            devnums_.insert(n);
            lastDevnum_ = n;
            return n;
        }
    }
    throw std::runtime_error("no free USB device number on the bus");
}

} // namespace zq40emu::detail

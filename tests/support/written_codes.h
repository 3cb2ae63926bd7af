// The parameter blocks an emulated unit was written, by code, oldest first.
#pragma once

#include <zq40emu/zq40emu.h>

#include <vector>

inline std::vector<int> writtenCodes(const zq40emu::Unit& u)
{
    std::vector<int> codes;
    for (const auto& r : u.received())
        if (r.msgId() == 48)
            codes.push_back(r.bytes[6]);
    return codes;
}

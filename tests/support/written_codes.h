// The parameter blocks an emulated unit was written, by code, oldest first.
#pragma once

#include <zq40emu/zq40emu.h>

#include <vector>

inline std::vector<int> writtenCodesIn(const std::vector<zq40emu::Report>& received)
{
    std::vector<int> codes;
    for (const auto& r : received)
        if (r.msgId() == 48)
            codes.push_back(r.bytes[6]);
    return codes;
}

inline std::vector<int> writtenCodes(const zq40emu::Unit& u)
{
    return writtenCodesIn(u.received());
}

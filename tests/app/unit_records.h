// A unit's record with the library's records behind it, as the registry
// holds them, for tests of the presentation without units on a bus.
#pragma once

#include "qdevice.h"

#include <cstring>
#include <memory>
#include <vector>

constexpr uint32_t version(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return a << 24 | b << 16 | c << 8 | d;
}

// A child's record: model, and its revision and version words in `info`.
inline ousb_child_device_info_t childRecord(uint32_t model, uint32_t ver, uint32_t revision = 0)
{
    ousb_child_device_info_t c;
    std::memset(&c, 0, sizeof c);
    c.model = model;
    for (int i = 0; i < 4; ++i) {
        c.info[i] = uint8_t(revision >> 8 * i);
        c.info[8 + i] = uint8_t(ver >> 8 * i);
    }
    return c;
}

struct Unit {
    ousb_device_info_t info{};
    QDevice device;
    std::vector<std::unique_ptr<ousb_child_device_info_t>> childInfos;

    Unit(uint32_t word5, uint32_t word1)
    {
        info.perID = 601;
        info.word5 = word5;
        info.word1 = word1;
        device.devHandle = &info;
        device.pDeviceInfo = &info;
    }

    ousb_child_device_info_t& attach(uint16_t key, uint32_t model, uint32_t ver, char* name = nullptr,
                                     uint32_t revision = 3)
    {
        auto c = std::make_unique<ousb_child_device_info_t>(childRecord(model, ver, revision));
        c->childID[0] = uint8_t(key >> 8);
        c->childID[1] = uint8_t(key);
        c->name = name;
        auto* child = new QChildDevice;
        child->pDeviceInfo = c.get();
        device.children.insert(key, child);
        childInfos.push_back(std::move(c));
        return *childInfos.back();
    }
};

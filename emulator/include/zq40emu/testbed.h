// A umockdev testbed holding virtual ZQ40 units.
//
// Host programs see the units only when they run with umockdev's preload
// library and UMOCKDEV_DIR pointing at rootDir() (umockdev-wrapper in the same
// process, or a child started like zq40-emulate does). Only one Testbed may
// exist in a process at a time, since umockdev keeps its location in the
// environment. The testbed also sets ZQ40_TEST_FIRMWARE=1 there, which lets
// a build that carries the test firmware catalogue update its units.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zq40emu/config.h"
#include "zq40emu/unit.h"

namespace zq40emu {

class Testbed {
public:
    Testbed();
    ~Testbed(); // unplugs every unit and stops serving
    Testbed(const Testbed&) = delete;
    Testbed& operator=(const Testbed&) = delete;

    // Adds the unit's device tree and announces it with "add" uevents. The
    // reference stays valid for the life of the testbed, also after unplug.
    Unit& plug(UnitConfig config = {});
    // Plugs a unit that was unplugged back in; it appears as a new device.
    void replug(Unit& unit);
    // Hangs up the node, then sends "remove" uevents and deletes the tree.
    // Does nothing for a unit that is not plugged.
    void unplug(Unit& unit);
    // A HID device of another kind that never answers.
    Unit& plugForeign(uint16_t vendorId, uint16_t productId, std::string product);

    // Paces every unit, present and future, as UnitConfig::paced; off by default.
    void setPaced(bool on);

    // Every unit plugged so far, in plugging order (unplugged ones too).
    std::vector<Unit*> units() const;
    std::string rootDir() const;

private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

} // namespace zq40emu

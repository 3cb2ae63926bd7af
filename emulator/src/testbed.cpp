#include "zq40emu/testbed.h"

#include <umockdev.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "bus_numbers.h"
#include "device_tree.h"
#include "hidraw_link.h"
#include "scheduler.h"
#include "sysfs.h"
#include "uevent_sender.h"
#include "unit_core.h"

namespace zq40emu {

using detail::UnitCore;

namespace {

std::string propertyOf(const detail::DeviceRecord& record, const std::string& key)
{
    for (const auto& [k, v] : record.properties)
        if (k == key)
            return v;
    return {};
}

} // namespace

struct Testbed::Impl : std::enable_shared_from_this<Testbed::Impl> {
    Impl()
    {
        // before any host creates its uevent monitor
        detail::raiseDatagramQueueLimit(1024);
        umockdev = umockdev_testbed_new();
        // The programs on this bed reach emulated units only: they may write
        // the test firmware catalogue into them.
        g_setenv("ZQ40_TEST_FIRMWARE", "1", TRUE);
        gchar* dir = umockdev_testbed_get_root_dir(umockdev);
        root = dir;
        g_free(dir);
        sysfs = std::make_unique<detail::SysfsTree>(root);
        uevents = std::make_unique<detail::UeventSender>(root);
        for (const detail::DeviceRecord& r : detail::hostControllerTree())
            sysfs->add(r);
        scheduler = std::make_shared<detail::Scheduler>();
    }

    ~Impl()
    {
        for (const RemovedNode& node : removedNodes)
            node.link->detach(umockdev);
        g_unsetenv("ZQ40_TEST_FIRMWARE");
        if (umockdev)
            g_object_unref(umockdev); // removes the testbed directory
    }

    void shutdown()
    {
        {
            std::lock_guard lock(mutex);
            for (const auto& unit : units) {
                UnitCore& core = *coreOf(*unit);
                core.rebooting = false;
                unplugLocked(core, false);
            }
        }
        scheduler->stop();
    }

    static std::shared_ptr<UnitCore> coreOf(const Unit& unit); // defined below, friend access

    void installHooks(const std::shared_ptr<UnitCore>& core)
    {
        std::weak_ptr<Impl> weakSelf = weak_from_this();
        std::weak_ptr<UnitCore> weakCore = core;
        core->rebootHook = [weakSelf, weakCore](std::chrono::milliseconds offBus, bool comesBack) {
            auto self = weakSelf.lock();
            auto c = weakCore.lock();
            if (self && c)
                self->reboot(c, offBus, comesBack);
        };
        core->yankHook = [weakSelf, weakCore] {
            auto self = weakSelf.lock();
            auto c = weakCore.lock();
            if (!self || !c)
                return;
            std::lock_guard lock(self->mutex);
            c->rebooting = false;
            self->unplugLocked(*c, false);
        };
    }

    // Off the bus now, back as a new device after offBus (or never).
    void reboot(const std::shared_ptr<UnitCore>& core, std::chrono::milliseconds offBus, bool comesBack)
    {
        {
            std::lock_guard lock(mutex);
            if (!core->plugged())
                return;
            unplugLocked(*core, comesBack);
            core->rebooting = comesBack;
            if (!comesBack)
                return;
        }
        std::weak_ptr<Impl> weakSelf = weak_from_this();
        std::weak_ptr<UnitCore> weakCore = core;
        scheduler->postAfter(offBus, [weakSelf, weakCore] {
            auto self = weakSelf.lock();
            auto c = weakCore.lock();
            if (!self || !c)
                return;
            std::lock_guard lock(self->mutex);
            if (!c->rebooting || c->plugged())
                return;
            c->rebooting = false;
            self->plugLocked(c);
        });
    }

    void plugLocked(const std::shared_ptr<UnitCore>& core)
    {
        releaseRemovedNodes();
        detail::Placement where;
        if (core->port == 0)
            core->port = numbers.takePort();
        where.port = core->port;
        where.devnum = numbers.takeDevnum();
        where.hidInstance = numbers.nextHidInstance();
        where.hidrawMinor = numbers.takeHidrawMinor();

        auto link = detail::HidrawLink::create(core);
        const detail::UnitTree tree = detail::unitTree(core->config(), core->serial(), where, link->ptyPath());
        sysfs->add(tree.usb);
        sysfs->add(tree.interface);
        sysfs->add(tree.hid);
        detail::HidIdentity identity{core->config().vendorId, core->config().productId,
                                     propertyOf(tree.hid, "HID_NAME"), propertyOf(tree.hid, "HID_PHYS"),
                                     core->serial()};
        link->attach(umockdev, "/dev/" + tree.hidraw.devname, std::move(identity));
        sysfs->add(tree.hidraw);
        core->placement = where;
        core->exchangeLink(link, &tree);

        // the order a kernel announces a HID device in
        uevents->send(tree.usb, "add");
        uevents->send(tree.interface, "add");
        uevents->send(tree.hid, "add");
        uevents->send(tree.hidraw, "add");
        uevents->send(tree.hid, "bind");
        uevents->send(tree.interface, "bind");
        uevents->send(tree.usb, "bind");
    }

    void unplugLocked(UnitCore& core, bool keepPort)
    {
        std::shared_ptr<detail::HidrawLink> link = core.exchangeLink(nullptr);
        if (link) {
            {
                std::lock_guard lock(core.mutex());
                link->hangUp(); // the host notices the cable first, udev a little later
            }
            removedNodes.push_back({link, core.placement.hidrawMinor, std::chrono::steady_clock::now()});

            // udevd passes a removal on to its listeners after the kernel has
            // taken the device out of sysfs: a listener that looks finds it gone.
            const detail::UnitTree& tree = core.tree();
            sysfs->remove(tree.hidraw);
            uevents->send(tree.hidraw, "remove");
            uevents->send(tree.hid, "unbind");
            sysfs->remove(tree.hid);
            uevents->send(tree.hid, "remove");
            uevents->send(tree.interface, "unbind");
            sysfs->remove(tree.interface);
            uevents->send(tree.interface, "remove");
            uevents->send(tree.usb, "unbind");
            sysfs->remove(tree.usb);
            uevents->send(tree.usb, "remove");

            numbers.releaseDevnum(core.placement.devnum);
        }
        if (!keepPort && core.port != 0) {
            numbers.releasePort(core.port);
            core.port = 0;
        }
    }

    // A removed node keeps answering (with errors) and keeps its minor for a
    // while: a host that opened it just before the pull may not have been
    // accepted by the node's socket yet, and taking the socket away then
    // makes the host's next write abort the whole host process. hidraw
    // likewise holds a removed node's minor while a host still has it open.
    static constexpr std::chrono::seconds kRemovedNodeLinger{2};

    struct RemovedNode {
        std::shared_ptr<detail::HidrawLink> link;
        int hidrawMinor;
        std::chrono::steady_clock::time_point since;
    };

    void releaseRemovedNodes()
    {
        const auto now = std::chrono::steady_clock::now();
        std::erase_if(removedNodes, [&](const RemovedNode& node) {
            if (now - node.since < kRemovedNodeLinger)
                return false;
            node.link->detach(umockdev);
            numbers.releaseHidrawMinor(node.hidrawMinor);
            return true;
        });
    }

    UMockdevTestbed* umockdev = nullptr;
    std::string root;
    std::unique_ptr<detail::SysfsTree> sysfs;
    std::unique_ptr<detail::UeventSender> uevents;
    std::shared_ptr<detail::Scheduler> scheduler;

    mutable std::mutex mutex; // device tree, numbers, unit list, plug state
    std::deque<std::unique_ptr<Unit>> units;
    std::vector<RemovedNode> removedNodes;
    detail::BusNumbers numbers;
    bool paced = false; // for units plugged from now on
};

std::shared_ptr<UnitCore> Testbed::Impl::coreOf(const Unit& unit)
{
    return unit.core_;
}

Testbed::Testbed()
    : impl_(std::make_shared<Impl>())
{
}

Testbed::~Testbed()
{
    impl_->shutdown();
}

Unit& Testbed::plug(UnitConfig config)
{
    std::lock_guard lock(impl_->mutex);
    if (impl_->paced)
        config.paced = true;
    auto core = std::make_shared<UnitCore>(std::move(config), impl_->scheduler);
    impl_->installHooks(core);
    impl_->units.push_back(std::unique_ptr<Unit>(new Unit(core)));
    impl_->plugLocked(core);
    return *impl_->units.back();
}

void Testbed::replug(Unit& unit)
{
    std::lock_guard lock(impl_->mutex);
    std::shared_ptr<UnitCore> core = unit.core_;
    core->rebooting = false;
    if (!core->plugged())
        impl_->plugLocked(core);
}

void Testbed::unplug(Unit& unit)
{
    std::lock_guard lock(impl_->mutex);
    UnitCore& core = *unit.core_;
    core.rebooting = false;
    impl_->unplugLocked(core, false);
}

Unit& Testbed::plugForeign(uint16_t vendorId, uint16_t productId, std::string product)
{
    UnitConfig config;
    config.vendorId = vendorId;
    config.productId = productId;
    config.product = std::move(product);
    config.manufacturer = "Generic";
    config.serialString = "0001";
    config.foreign = true;
    return plug(std::move(config));
}

std::vector<Unit*> Testbed::units() const
{
    std::lock_guard lock(impl_->mutex);
    std::vector<Unit*> out;
    for (const auto& u : impl_->units)
        out.push_back(u.get());
    return out;
}

std::string Testbed::rootDir() const
{
    return impl_->root;
}

void Testbed::setPaced(bool on)
{
    std::lock_guard lock(impl_->mutex);
    impl_->paced = on;
    for (const auto& u : impl_->units)
        u->core_->setPaced(on);
}

} // namespace zq40emu

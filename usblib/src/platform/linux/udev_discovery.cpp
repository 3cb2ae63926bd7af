// Lists hidraw nodes with the USB identity of the device above them.
//
// The vendor id, product id and product string are the attributes of the
// usb_device ancestor (idVendor, idProduct, product), as the kernel exposes
// them for every USB HID interface. The path of a record is the sysfs path of
// the hidraw node: it carries the HID instance number, which changes when the
// unit is unplugged and plugged back, so no appearance count is needed.
#include "udev_discovery.h"

#include "../platform.h"

#include <libudev.h>

#include <charconv>
#include <mutex>

namespace ousb::platform {

namespace {

struct UdevState {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
};

UdevState& state()
{
    static UdevState s;
    return s;
}

// Only the worker uses udev; the mutex covers a client that unloads early.
std::mutex& udevMutex()
{
    static std::mutex m;
    return m;
}

udev* context()
{
    auto& s = state();
    if (!s.context)
        s.context = udev_new();
    return s.context;
}

const char* attribute(udev_device* dev, const char* name)
{
    return dev ? udev_device_get_sysattr_value(dev, name) : nullptr;
}

// sysfs spells the ids as four hex digits.
std::optional<uint16_t> hexId(const char* text)
{
    if (!text)
        return std::nullopt;
    std::string_view digits(text);
    if (digits.size() < 4)
        return std::nullopt;
    uint16_t value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + 4, value, 16);
    if (ec != std::errc() || end != digits.data() + 4)
        return std::nullopt;
    return value;
}

udev_device* usbParent(udev_device* node)
{
    // Owned by `node`; it must not be unreferenced.
    return udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device");
}

bool describe(udev* ctx, const char* syspath, HidInterface& out)
{
    udev_device* node = udev_device_new_from_syspath(ctx, syspath);
    if (!node)
        return false;
    const char* devnode = udev_device_get_devnode(node);
    if (!devnode) {
        udev_device_unref(node);
        return false;
    }
    out.path = syspath;
    out.devnode = devnode;
    udev_device* usb = usbParent(node);
    out.vendorId = hexId(attribute(usb, "idVendor"));
    out.productId = hexId(attribute(usb, "idProduct"));
    udev_device_unref(node);
    return true;
}

} // namespace

ListResult listHidInterfaces(std::vector<HidInterface>& out, int& failedDetails)
{
    std::lock_guard lock(udevMutex());
    out.clear();
    failedDetails = 0;
    udev* ctx = context();
    if (!ctx)
        return ListResult::queryFailed;
    udev_enumerate* e = udev_enumerate_new(ctx);
    if (!e)
        return ListResult::queryFailed;
    if (udev_enumerate_add_match_subsystem(e, "hidraw") < 0 || udev_enumerate_scan_devices(e) < 0) {
        udev_enumerate_unref(e);
        return ListResult::queryFailed;
    }
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e))
    {
        HidInterface iface;
        if (describe(ctx, udev_list_entry_get_name(entry), iface))
            out.push_back(std::move(iface));
        else
            ++failedDetails;
    }
    udev_enumerate_unref(e);
    return ListResult::ok;
}

namespace linux_udev {

bool productString(const std::string& syspath, std::string& out)
{
    std::lock_guard lock(udevMutex());
    udev* ctx = context();
    udev_device* node = ctx ? udev_device_new_from_syspath(ctx, syspath.c_str()) : nullptr;
    if (!node)
        return false;
    const char* name = attribute(usbParent(node), "product");
    if (name)
        out = name;
    udev_device_unref(node);
    return name != nullptr;
}

int startMonitor()
{
    std::lock_guard lock(udevMutex());
    auto& s = state();
    if (s.monitor)
        return udev_monitor_get_fd(s.monitor);
    udev* ctx = context();
    if (!ctx)
        return -1;
    // The "udev" source reports a node after its rules ran, so it can be opened.
    udev_monitor* mon = udev_monitor_new_from_netlink(ctx, "udev");
    if (!mon)
        return -1;
    if (udev_monitor_filter_add_match_subsystem_devtype(mon, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(mon) < 0) {
        udev_monitor_unref(mon);
        return -1;
    }
    s.monitor = mon;
    return udev_monitor_get_fd(mon);
}

bool drainMonitor()
{
    std::lock_guard lock(udevMutex());
    auto& s = state();
    if (!s.monitor)
        return false;
    bool any = false;
    while (udev_device* dev = udev_monitor_receive_device(s.monitor)) {
        any = true;
        udev_device_unref(dev);
    }
    return any;
}

void stopMonitor()
{
    std::lock_guard lock(udevMutex());
    auto& s = state();
    if (s.monitor)
        udev_monitor_unref(s.monitor);
    s.monitor = nullptr;
    if (s.context)
        udev_unref(s.context);
    s.context = nullptr;
}

} // namespace linux_udev
} // namespace ousb::platform

#include "device_tree.h"

#include <cstdio>
#include <filesystem>

#include "descriptors.h"

namespace zq40emu::detail {
namespace {

const std::string kControllerPath = "/devices/pci0000:00/0000:00:14.0";
const std::string kControllerSlot = "0000:00:14.0";
const std::string kRootHubPath = kControllerPath + "/usb1";

template <typename... Args>
std::string format(const char* fmt, Args... args)
{
    char buf[256];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

// Relative link from the device at devpath to another sysfs location.
std::string linkTo(const std::string& devpath, const std::string& target)
{
    namespace fs = std::filesystem;
    return fs::path(target).lexically_relative(fs::path("/sys" + devpath)).string();
}

std::string usbNode(int busnum, int devnum)
{
    return format("bus/usb/%03d/%03d", busnum, devnum);
}
std::string usbMajMin(int busnum, int devnum)
{
    return format("%d:%d", kUsbMajor, (busnum - 1) * 128 + devnum - 1);
}

} // namespace

UnitTree unitTree(const UnitConfig& c, const std::string& serial, const Placement& w, const std::string& ptyPath)
{
    UnitTree t;
    const std::string usbName = format("%d-%d", w.busnum, w.port);
    const std::string product = format("%x/%x/%x", c.vendorId, c.productId, c.bcdDevice);
    const std::string hidName = format("0003:%04X:%04X.%04X", c.vendorId, c.productId, w.hidInstance);
    const std::string usbModalias =
        format("usb:v%04Xp%04Xd%04Xdc00dsc00dp00ic03isc00ip00in00", c.vendorId, c.productId, c.bcdDevice);
    const std::string hidModalias = format("hid:b0003g0001v%08Xp%08X", c.vendorId, c.productId);
    const std::string hidNameProp = c.manufacturer.empty() ? c.product : c.manufacturer + " " + c.product;
    const std::string idPath = format("pci-%s-usb-0:%d", kControllerSlot.c_str(), w.port);

    DeviceRecord& usb = t.usb;
    usb.devpath = kRootHubPath + "/" + usbName;
    usb.subsystem = "usb";
    usb.devname = usbNode(w.busnum, w.devnum);
    usb.majmin = usbMajMin(w.busnum, w.devnum);
    usb.nodeContents = usbDescriptors(c);
    usb.properties = {
        {"MAJOR", std::to_string(kUsbMajor)},
        {"MINOR", usb.majmin.substr(usb.majmin.find(':') + 1)},
        {"DEVNAME", usb.devname},
        {"DEVTYPE", "usb_device"},
        {"DRIVER", "usb"},
        {"PRODUCT", product},
        {"TYPE", "0/0/0"},
        {"BUSNUM", format("%03d", w.busnum)},
        {"DEVNUM", format("%03d", w.devnum)},
        {"ID_BUS", "usb"},
        {"ID_VENDOR_ID", format("%04x", c.vendorId)},
        {"ID_MODEL_ID", format("%04x", c.productId)},
        {"ID_REVISION", format("%04x", c.bcdDevice)},
        {"ID_SERIAL_SHORT", serial},
        {"ID_USB_INTERFACES", ":030000:"},
        {"ID_PATH", idPath},
    };
    usb.attributes = {
        {"authorized", "1"},
        {"avoid_reset_quirk", "0"},
        {"bConfigurationValue", "1"},
        {"bDeviceClass", "00"},
        {"bDeviceProtocol", "00"},
        {"bDeviceSubClass", "00"},
        {"bMaxPacketSize0", "64"},
        {"bMaxPower", "100mA"},
        {"bNumConfigurations", "1"},
        {"bNumInterfaces", " 1"},
        {"bcdDevice", format("%04x", c.bcdDevice)},
        {"bmAttributes", "80"},
        {"busnum", std::to_string(w.busnum)},
        {"configuration", ""},
        {"devnum", std::to_string(w.devnum)},
        {"devpath", std::to_string(w.port)},
        {"idProduct", format("%04x", c.productId)},
        {"idVendor", format("%04x", c.vendorId)},
        {"ltm_capable", "no"},
        {"manufacturer", c.manufacturer},
        {"maxchild", "0"},
        {"product", c.product},
        {"quirks", "0x0"},
        {"removable", "removable"},
        {"rx_lanes", "1"},
        {"serial", serial},
        {"speed", "12"},
        {"tx_lanes", "1"},
        {"version", " 2.00"},
    };
    usb.binaryAttributes = {{"descriptors", usbDescriptors(c)}};
    usb.links = {{"driver", linkTo(usb.devpath, "/sys/bus/usb/drivers/usb")}};

    DeviceRecord& intf = t.interface;
    intf.devpath = usb.devpath + "/" + usbName + ":1.0";
    intf.subsystem = "usb";
    intf.properties = {
        {"DEVTYPE", "usb_interface"}, {"DRIVER", "usbhid"},      {"PRODUCT", product}, {"TYPE", "0/0/0"},
        {"INTERFACE", "3/0/0"},       {"MODALIAS", usbModalias},
    };
    intf.attributes = {
        {"authorized", "1"},        {"bAlternateSetting", " 0"},  {"bInterfaceClass", "03"},
        {"bInterfaceNumber", "00"}, {"bInterfaceProtocol", "00"}, {"bInterfaceSubClass", "00"},
        {"bNumEndpoints", "02"},    {"modalias", usbModalias},    {"supports_autosuspend", "1"},
    };
    intf.links = {{"driver", linkTo(intf.devpath, "/sys/bus/usb/drivers/usbhid")}};

    DeviceRecord& hid = t.hid;
    hid.devpath = intf.devpath + "/" + hidName;
    hid.subsystem = "hid";
    hid.properties = {
        {"DRIVER", "hid-generic"}, {"HID_ID", format("0003:%08X:%08X", c.vendorId, c.productId)},
        {"HID_NAME", hidNameProp}, {"HID_PHYS", format("usb-%s-%d/input0", kControllerSlot.c_str(), w.port)},
        {"HID_UNIQ", serial},      {"MODALIAS", hidModalias},
    };
    hid.attributes = {{"country", "00"}, {"modalias", hidModalias}};
    hid.binaryAttributes = {{"report_descriptor", reportDescriptor()}};
    hid.links = {{"driver", linkTo(hid.devpath, "/sys/bus/hid/drivers/hid-generic")}};

    DeviceRecord& raw = t.hidraw;
    raw.devpath = hid.devpath + "/hidraw/hidraw" + std::to_string(w.hidrawMinor);
    raw.subsystem = "hidraw";
    raw.onBus = false;
    raw.devname = "hidraw" + std::to_string(w.hidrawMinor);
    raw.majmin = format("%d:%d", kHidrawMajor, w.hidrawMinor);
    raw.nodeTarget = ptyPath;
    raw.properties = {
        {"MAJOR", std::to_string(kHidrawMajor)},
        {"MINOR", std::to_string(w.hidrawMinor)},
        {"DEVNAME", raw.devname},
    };
    raw.links = {{"device", linkTo(raw.devpath, "/sys" + hid.devpath)}};
    return t;
}

std::vector<DeviceRecord> hostControllerTree()
{
    DeviceRecord pci;
    pci.devpath = kControllerPath;
    pci.subsystem = "pci";
    pci.properties = {
        {"DRIVER", "xhci_hcd"},
        {"PCI_CLASS", "C0330"},
        {"PCI_ID", "8086:A36D"},
        {"PCI_SUBSYS_ID", "8086:7270"},
        {"PCI_SLOT_NAME", kControllerSlot},
        {"MODALIAS", "pci:v00008086d0000A36Dsv00008086sd00007270bc0Csc03i30"},
    };
    pci.attributes = {{"class", "0x0c0330"}, {"vendor", "0x8086"}, {"device", "0xa36d"}};
    pci.links = {{"driver", linkTo(pci.devpath, "/sys/bus/pci/drivers/xhci_hcd")}};

    DeviceRecord hub;
    hub.devpath = kRootHubPath;
    hub.subsystem = "usb";
    hub.devname = usbNode(1, 1);
    hub.majmin = usbMajMin(1, 1);
    hub.properties = {
        {"MAJOR", std::to_string(kUsbMajor)},
        {"MINOR", "0"},
        {"DEVNAME", hub.devname},
        {"DEVTYPE", "usb_device"},
        {"DRIVER", "usb"},
        {"PRODUCT", "1d6b/2/601"},
        {"TYPE", "9/0/1"},
        {"BUSNUM", "001"},
        {"DEVNUM", "001"},
    };
    hub.attributes = {
        {"authorized", "1"},
        {"bDeviceClass", "09"},
        {"bNumConfigurations", "1"},
        {"bNumInterfaces", " 1"},
        {"bcdDevice", "0601"},
        {"busnum", "1"},
        {"devnum", "1"},
        {"devpath", "0"},
        {"idProduct", "0002"},
        {"idVendor", "1d6b"},
        {"manufacturer", "Linux xhci-hcd"},
        {"maxchild", "16"},
        {"product", "xHCI Host Controller"},
        {"serial", kControllerSlot},
        {"speed", "480"},
        {"version", " 2.00"},
    };
    hub.links = {{"driver", linkTo(hub.devpath, "/sys/bus/usb/drivers/usb")}};
    return {pci, hub};
}

} // namespace zq40emu::detail

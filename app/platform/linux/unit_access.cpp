// Units through udev: a unit's hidraw node has a usb_device parent with the
// maker's vendor id, and udev's rules set who may open it.
#include "unit_nodes_system.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QStringList>

#include <libudev.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#ifndef ZQ40_UDEV_RULE
#define ZQ40_UDEV_RULE "70-orlo-zq40.rules"
#endif

namespace zq40 {

namespace {

constexpr const char* kVendorId = "3a5b";

bool isUnitNode(udev_device* node)
{
    // The parent belongs to `node`: not unreferenced here.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device");
    const char* vendor = usb ? udev_device_get_sysattr_value(usb, "idVendor") : nullptr;
    return vendor && strcasecmp(vendor, kVendorId) == 0;
}

} // namespace

// The device nodes of the units udev knows, in its order.
std::vector<std::string> platform::unitNodes()
{
    std::vector<std::string> nodes;
    udev* ctx = udev_new();
    if (!ctx)
        return nodes;
    udev_enumerate* e = udev_enumerate_new(ctx);
    if (e && udev_enumerate_add_match_subsystem(e, "hidraw") >= 0 && udev_enumerate_scan_devices(e) >= 0) {
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e))
        {
            udev_device* node = udev_device_new_from_syspath(ctx, udev_list_entry_get_name(entry));
            if (!node)
                continue;
            const char* devnode = udev_device_get_devnode(node);
            if (devnode && isUnitNode(node))
                nodes.emplace_back(devnode);
            udev_device_unref(node);
        }
    }
    if (e)
        udev_enumerate_unref(e);
    udev_unref(ctx);
    return nodes;
}

// The program that holds `node` locked, as every program using a unit does
// (the library opens units exclusively): the kernel lists flock() locks in
// /proc/locks by the device and inode of the file they lock.
std::vector<NodeHolder> platform::otherHoldersOf(const std::string& node)
{
    std::vector<NodeHolder> holders;
    struct stat st;
    if (::stat(node.c_str(), &st) != 0)
        return holders;
    FILE* locks = std::fopen("/proc/locks", "re");
    if (!locks)
        return holders;
    char line[256];
    while (std::fgets(line, sizeof line, locks)) {
        long pid = 0;
        unsigned major = 0, minor = 0;
        unsigned long inode = 0;
        char kind[16] = {};
        // "1: FLOCK  ADVISORY  WRITE 1234 00:1a:5678 0 EOF"; waiters carry "->".
        if (std::strstr(line, "->") ||
            std::sscanf(line, "%*d: %15s %*s %*s %ld %x:%x:%lu", kind, &pid, &major, &minor, &inode) != 5)
            continue;
        if (std::strcmp(kind, "FLOCK") != 0 || pid == long(::getpid()) || major != ::major(st.st_dev) ||
            minor != ::minor(st.st_dev) || inode != st.st_ino)
            continue;
        std::string program;
        if (FILE* comm = std::fopen(("/proc/" + std::to_string(pid) + "/comm").c_str(), "re")) {
            char name[64] = {};
            if (std::fgets(name, sizeof name, comm))
                program = name;
            std::fclose(comm);
        }
        while (!program.empty() && program.back() == '\n')
            program.pop_back();
        holders.push_back({pid, program});
    }
    std::fclose(locks);
    return holders;
}

bool deniedToThisProcess(const std::string& node)
{
    // access() counts the ACL that udev's uaccess tag gives the person at
    // the seat as well as the mode bits.
    return access(node.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
}

QString accessHintText(const std::vector<std::string>& nodes)
{
    QStringList names;
    for (const std::string& n : nodes)
        names << QString::fromStdString(n);
    return QCoreApplication::translate("AccessHint",
                                       "A ZQ40 is plugged in, but this computer does not let you use it: "
                                       "no permission to open %1.\n\n"
                                       "Install the device rule that comes with the program, as root:\n"
                                       "    cp %2 /etc/udev/rules.d/\n"
                                       "    udevadm control --reload\n"
                                       "then unplug the unit and plug it in again. It will then be listed.")
        .arg(names.join(QStringLiteral(", ")), QStringLiteral(ZQ40_UDEV_RULE));
}

struct UnitNodeWatch::Monitor {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    QSocketNotifier* notifier = nullptr;

    ~Monitor()
    {
        // Possibly inside the notifier's own signal: it goes when control is back.
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
        if (monitor)
            udev_monitor_unref(monitor);
        if (context)
            udev_unref(context);
    }
};

UnitNodeWatch::UnitNodeWatch(QObject* parent)
    : QObject(parent)
{
}

UnitNodeWatch::~UnitNodeWatch() = default;

bool UnitNodeWatch::start()
{
    auto m = std::make_unique<Monitor>();
    // A "udev" monitor hears of a node after its rules set the permissions.
    m->context = udev_new();
    m->monitor = m->context ? udev_monitor_new_from_netlink(m->context, "udev") : nullptr;
    if (!m->monitor || udev_monitor_filter_add_match_subsystem_devtype(m->monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(m->monitor) < 0)
        return false;
    m->notifier = new QSocketNotifier(udev_monitor_get_fd(m->monitor), QSocketNotifier::Read, this);
    udev_monitor* source = m->monitor;
    connect(m->notifier, &QSocketNotifier::activated, this, [this, source] {
        bool added = false;
        while (udev_device* dev = udev_monitor_receive_device(source)) {
            const char* action = udev_device_get_action(dev);
            added = added || (action && std::strcmp(action, "add") == 0);
            udev_device_unref(dev);
        }
        if (added)
            emit DoNodeAdded();
    });
    monitor = std::move(m);
    return true;
}

void UnitNodeWatch::stop()
{
    monitor.reset();
}

} // namespace zq40

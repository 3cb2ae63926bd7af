#include "access_hint.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QWidget>

#include <libudev.h>

#include <cerrno>
#include <cstring>
#include <strings.h>
#include <unistd.h>
#include <utility>

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

bool deniedToThisProcess(const std::string& devnode)
{
    return access(devnode.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
}

std::vector<std::string> unreachableUnitNodes(const DeniedCheck& denied)
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
            if (devnode && isUnitNode(node) && denied(devnode))
                nodes.emplace_back(devnode);
            udev_device_unref(node);
        }
    }
    if (e)
        udev_enumerate_unref(e);
    udev_unref(ctx);
    return nodes;
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

AccessHint::AccessHint(QWidget* window, DeniedCheck denied)
    : QObject(window)
    , window(window)
    , denied(std::move(denied))
{
}

AccessHint::~AccessHint()
{
    stopWatching();
}

void AccessHint::start()
{
    // A "udev" monitor hears of a node after its rules set the permissions.
    context = udev_new();
    monitor = context ? udev_monitor_new_from_netlink(context, "udev") : nullptr;
    if (monitor && udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) >= 0 &&
        udev_monitor_enable_receiving(monitor) >= 0) {
        notifier = new QSocketNotifier(udev_monitor_get_fd(monitor), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &AccessHint::onUdevActivity);
    }
    // Once the event loop runs: the box needs its window on screen to sit on.
    QMetaObject::invokeMethod(this, &AccessHint::check, Qt::QueuedConnection);
}

void AccessHint::check()
{
    if (toldUser)
        return;
    const std::vector<std::string> nodes = unreachableUnitNodes(denied);
    if (nodes.empty())
        return;
    toldUser = true;
    stopWatching();
    const QString text = accessHintText(nodes);
    auto* box =
        new QMessageBox(QMessageBox::Information, QCoreApplication::translate("AccessHint", "ZQ40 not accessible"),
                        text, QMessageBox::Ok, window);
    box->setObjectName(QStringLiteral("accessHint"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    emit DoHintShown(text);
}

void AccessHint::onUdevActivity()
{
    bool added = false;
    while (udev_device* dev = udev_monitor_receive_device(monitor)) {
        const char* action = udev_device_get_action(dev);
        added = added || (action && std::strcmp(action, "add") == 0);
        udev_device_unref(dev);
    }
    if (added)
        check();
}

void AccessHint::stopWatching()
{
    // Possibly inside the notifier's own signal: it goes when control is back.
    if (notifier) {
        notifier->setEnabled(false);
        notifier->deleteLater();
    }
    notifier = nullptr;
    if (monitor)
        udev_monitor_unref(monitor);
    monitor = nullptr;
    if (context)
        udev_unref(context);
    context = nullptr;
}

} // namespace zq40

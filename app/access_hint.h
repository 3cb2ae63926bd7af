// A unit that is plugged in but whose hidraw node this user may not open
// never reaches the device list, and nothing else says why. This finds such
// nodes and tells the user, once, how to get access.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class QSocketNotifier;
class QWidget;
struct udev;
struct udev_monitor;

namespace zq40 {

// True when the node exists but opening it read-write is refused for lack of
// permission.
using DeniedCheck = std::function<bool(const std::string& devnode)>;

// Asks the kernel with access(), so the ACL that udev's uaccess tag gives the
// person at the seat counts as well as the mode bits. Root is never refused.
bool deniedToThisProcess(const std::string& devnode);

// The /dev/hidraw* nodes of ZQ40 units (a usb_device parent with the vendor
// id 3a5b) that `denied` refuses, in udev's order.
std::vector<std::string> unreachableUnitNodes(const DeniedCheck& denied = deniedToThisProcess);

// The message for those nodes, in plain words: what is wrong and what to do.
QString accessHintText(const std::vector<std::string>& nodes);

// Looks once the event loop runs and again whenever udev adds a hidraw node,
// until it has told the user; then it stops watching. The message is a
// non-modal box on `window` named "accessHint".
class AccessHint : public QObject {
    Q_OBJECT

public:
    explicit AccessHint(QWidget* window, DeniedCheck denied = deniedToThisProcess);
    ~AccessHint() override;

    void start();
    bool told() const { return toldUser; }

public slots:
    void check();

signals:
    void DoHintShown(const QString& text);

private:
    void onUdevActivity();
    void stopWatching();

    QPointer<QWidget> window;
    DeniedCheck denied;
    bool toldUser = false;
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    QSocketNotifier* notifier = nullptr;
};

} // namespace zq40

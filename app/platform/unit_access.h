// Units that are plugged in but that this program cannot use: nodes this
// user may not open (the system's permissions), and the system's word for
// what to do about it. Each system fills this in its own folder.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zq40 {

// True when the node exists but opening it read-write is refused for lack
// of permission.
using DeniedCheck = std::function<bool(const std::string& node)>;

// Asks the system whether this process may open the node for reading and
// writing; an administrator is never refused.
bool deniedToThisProcess(const std::string& node);

// The nodes of ZQ40 units that `denied` refuses, in the system's order.
std::vector<std::string> unreachableUnitNodes(const DeniedCheck& denied = deniedToThisProcess);

// What is wrong with those nodes and what to do, in plain words.
QString accessHintText(const std::vector<std::string>& nodes);

// A program that has a node open; pid 0 and no name where the system does
// not say which program it is.
struct NodeHolder {
    long pid = 0;
    std::string program;
};

// Every unit's node that is present, whether this user may open it, and
// which other process holds it (a unit is opened by one program at a time:
// the others cannot use it).
struct UnitNode {
    std::string node;
    bool denied = false;
    std::vector<NodeHolder> otherHolders;
};
std::vector<UnitNode> presentUnitNodes(const DeniedCheck& denied = deniedToThisProcess);

// Tells, through the event loop of the thread that made it, whenever the
// system adds a device node that may be a unit.
class UnitNodeWatch : public QObject {
    Q_OBJECT

public:
    explicit UnitNodeWatch(QObject* parent = nullptr);
    ~UnitNodeWatch() override;

    // False when the system cannot be watched (the hint then looks once).
    bool start();
    void stop();

signals:
    void DoNodeAdded();

private:
    struct Monitor;
    std::unique_ptr<Monitor> monitor;
};

} // namespace zq40

#include "unit_waiter.h"

#include "report_codec.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace zq40 {

UnitWaiter::UnitWaiter(PanelCore& core)
    : core(core)
{
    QDevices& registry = core.session().registry();
    connect(&registry, &QDevices::DoNewDeviceBootStatus, this, &UnitWaiter::statusCame, Qt::DirectConnection);
    connect(&registry, &QDevices::DoDeviceOffline, this, &UnitWaiter::unitLeft, Qt::DirectConnection);
    connect(&registry, &QDevices::DoUpdateRemotesList, this, &UnitWaiter::check);
    // Queued behind the registry's own delivery: the block is stored by then.
    connect(
        &registry.bridge(), &QDeviceManager::DoDeviceReadReport, this,
        [this](ousb_handle_t handle, const hid_report_t*) { reportCame(handle); }, Qt::QueuedConnection);
    connect(
        &registry.bridge(), &QDeviceManager::DoChildDeviceConnect, this,
        [this](ousb_handle_t parent, ousb_child_device_info_t info, QByteArray) { childHeard(parent, info); },
        Qt::QueuedConnection);
    connect(
        &registry.bridge(), &QDeviceManager::DoChildDeviceDisconnect, this,
        [this](ousb_handle_t parent, ousb_child_device_info_t info) { childHeard(parent, info); },
        Qt::QueuedConnection);
}

void UnitWaiter::waitForUnits()
{
    census = presentUnitNodes();
    const auto openable = std::count_if(census.begin(), census.end(),
                                        [](const UnitNode& n) { return !n.denied && n.otherHolders.empty(); });
    ousb_EnumerateDevices();
    waitUntil([this, openable] { return long(ready.size()) >= openable; }, kAnswerLimitMs);
}

std::vector<QDevice*> UnitWaiter::units() const
{
    std::vector<QDevice*> answered;
    for (const auto& [handle, record] : core.session().registry().all())
        if (statusSeen.count(record) && record->pDeviceInfo)
            answered.push_back(record);
    std::sort(answered.begin(), answered.end(),
              [](const QDevice* a, const QDevice* b) { return a->pDeviceInfo->ser < b->pDeviceInfo->ser; });
    return answered;
}

int UnitWaiter::silentUnits() const
{
    const auto openable = std::count_if(census.begin(), census.end(),
                                        [](const UnitNode& n) { return !n.denied && n.otherHolders.empty(); });
    return std::max(0, int(openable) - int(units().size()));
}

bool UnitWaiter::waitUntil(const std::function<bool()>& until, int timeoutMs)
{
    if (until())
        return true;
    QEventLoop waiting;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &waiting, &QEventLoop::quit);
    limit.start(timeoutMs);
    QEventLoop* outer = loop;
    const std::function<bool()> outerCondition = condition;
    loop = &waiting;
    condition = until;
    waiting.exec();
    loop = outer;
    condition = outerCondition;
    return until();
}

void UnitWaiter::statusCame(QDevice* unit)
{
    if (!statusSeen.insert(unit).second) {
        check();
        return;
    }
    // As the window: a unit back on the carried firmware gets its saved
    // settings first, then every unit is asked for its blocks and children.
    core.unitReportedStatus(unit);
    // A unit in its bootloader has no blocks to send.
    if (unit->bootloaderActive)
        becameReady(unit);
    check();
}

void UnitWaiter::reportCame(ousb_handle_t handle)
{
    QDevice* unit = core.session().registry().find(handle);
    // The first status came before any block, and the children the library
    // asked for at connect came before the blocks. The unit answers the
    // enumeration sent after the blocks' request last: until it has, a query
    // of the unit would read a child's announcement for its reply.
    if (!unit || !statusSeen.count(unit) || unit->awaitingBlocks() || ready.count(unit) || childrenToHear.count(unit)) {
        check();
        return;
    }
    const QList<quint16> keys = unit->children.keys();
    if (keys.empty())
        becameReady(unit);
    else
        childrenToHear[unit] = std::set<uint16_t>(keys.begin(), keys.end());
    check();
}

void UnitWaiter::childHeard(ousb_handle_t parent, const ousb_child_device_info_t& info)
{
    QDevice* unit = core.session().registry().find(parent);
    auto it = childrenToHear.find(unit);
    if (it == childrenToHear.end())
        return;
    it->second.erase(childKey(info));
    if (it->second.empty())
        becameReady(unit);
    check();
}

void UnitWaiter::becameReady(QDevice* unit)
{
    childrenToHear.erase(unit);
    if (ready.insert(unit).second)
        emit DoUnitReady(unit);
}

void UnitWaiter::unitLeft(QDevice* unit)
{
    statusSeen.erase(unit);
    childrenToHear.erase(unit);
    ready.erase(unit);
    check();
}

void UnitWaiter::check()
{
    if (loop && condition && condition())
        loop->quit();
}

} // namespace zq40

#include "device_list.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace ousb {

DevicePtr DeviceList::find(const void* handle) const
{
    if (!handle)
        return nullptr;
    return findIf([handle](const Device& d) { return &d == handle; });
}

DevicePtr DeviceList::findByKey(uint64_t key) const
{
    return findIf([key](const Device& d) { return d.key == key; });
}

DevicePtr DeviceList::findByName(const char* name) const
{
    return findIf([name](const Device& d) { return std::strcmp(d.product.data(), name) == 0; });
}

DevicePtr DeviceList::findByPath(const std::string& path, uint32_t appearance) const
{
    return findIf([&](const Device& d) { return !d.path.empty() && d.path == path && d.appearance == appearance; });
}

DevicePtr DeviceList::findIf(const std::function<bool(const Device&)>& match) const
{
    std::lock_guard lock(mutex_);
    for (const auto& d : devices_)
        if (match(*d))
            return d;
    return nullptr;
}

std::vector<DevicePtr> DeviceList::snapshot() const
{
    std::lock_guard lock(mutex_);
    return devices_;
}

void DeviceList::append(DevicePtr device)
{
    std::lock_guard lock(mutex_);
    devices_.push_back(std::move(device));
}

bool DeviceList::remove(const Device* device)
{
    std::lock_guard lock(mutex_);
    auto it =
        std::find_if(devices_.begin(), devices_.end(), [device](const DevicePtr& d) { return d.get() == device; });
    if (it == devices_.end())
        return false;
    devices_.erase(it);
    return true;
}

std::vector<DevicePtr> DeviceList::takeAll()
{
    std::lock_guard lock(mutex_);
    return std::exchange(devices_, {});
}

void DeviceList::clearPath(Device& device)
{
    std::lock_guard lock(mutex_);
    device.path.clear();
}

} // namespace ousb

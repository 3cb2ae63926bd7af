// The list of device records, in the order they were found.
//
// Only the worker adds and removes records; client threads look handles up
// from any thread. Lookups hand out shared ownership, so a record that the
// worker deletes stays valid until the client's call returns.
#pragma once

#include "device.h"

#include <functional>
#include <mutex>
#include <vector>

namespace ousb {

class DeviceList {
public:
    DevicePtr find(const void* handle) const;
    DevicePtr findByKey(uint64_t key) const;
    DevicePtr findByName(const char* name) const;
    // The record of that appearance of the non-empty `path`.
    DevicePtr findByPath(const std::string& path, uint32_t appearance) const;
    DevicePtr findIf(const std::function<bool(const Device&)>& match) const;

    std::vector<DevicePtr> snapshot() const;
    void append(DevicePtr device);
    bool remove(const Device* device);
    std::vector<DevicePtr> takeAll();

    // Stops scans from matching the record again.
    void clearPath(Device& device);

private:
    mutable std::mutex mutex_;
    std::vector<DevicePtr> devices_;
};

} // namespace ousb

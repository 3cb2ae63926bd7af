// The path of bootloader packets between the host and a device bootloader.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace transfer {

constexpr size_t kPacketSize = 58; // a tunnel report's payload

using Packet = std::array<uint8_t, kPacketSize>;

class Tunnel {
public:
    virtual ~Tunnel() = default;
    // Sends one packet of `length` bytes; true when it was handed over.
    virtual bool send(const uint8_t* packet, size_t length) = 0;
    // Waits for the device's next report; true when it was a tunnel report,
    // whose payload is then in `packet`.
    virtual bool receive(Packet& packet) = 0;
    // Milliseconds of a monotonic clock.
    virtual uint32_t tick() = 0;
};

} // namespace transfer

#include "uevent_sender.h"

#include <arpa/inet.h>
#include <glob.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace zq40emu::detail {
namespace {

// libudev's monitor message header ("libudev" prefix, magic, hashes).
struct MonitorHeader {
    char prefix[8];
    uint32_t magic;
    uint32_t headerSize;
    uint32_t propertiesOff;
    uint32_t propertiesLen;
    uint32_t filterSubsystemHash;
    uint32_t filterDevtypeHash;
    uint32_t filterTagBloomHi;
    uint32_t filterTagBloomLo;
};

constexpr uint32_t kMonitorMagic = 0xfeedcafe;

// MurmurHash2, as libudev uses for its socket filters.
uint32_t stringHash32(const std::string& s)
{
    const uint32_t m = 0x5bd1e995;
    const int r = 24;
    std::size_t len = s.size();
    uint32_t h = static_cast<uint32_t>(len);
    const unsigned char* data = reinterpret_cast<const unsigned char*>(s.data());
    while (len >= 4) {
        uint32_t k;
        std::memcpy(&k, data, 4);
        k *= m;
        k ^= k >> r;
        k *= m;
        h *= m;
        h ^= k;
        data += 4;
        len -= 4;
    }
    switch (len) {
    case 3:
        h ^= static_cast<uint32_t>(data[2]) << 16;
        [[fallthrough]];
    case 2:
        h ^= static_cast<uint32_t>(data[1]) << 8;
        [[fallthrough]];
    case 1:
        h ^= data[0];
        h *= m;
    }
    h ^= h >> 13;
    h *= m;
    h ^= h >> 15;
    return h;
}

std::atomic<unsigned long long> nextSeqnum{1};

void sendTo(const std::string& path, const struct msghdr& message, std::chrono::milliseconds patience)
{
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    struct timeval tv { };
    tv.tv_sec = static_cast<time_t>(patience.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((patience.count() % 1000) * 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);

    struct sockaddr_un addr { };
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    if (::connect(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) < 0) {
        // the monitor was closed without unlinking its socket
        if (errno == ECONNREFUSED)
            ::unlink(path.c_str());
        ::close(fd);
        return;
    }
    ssize_t n;
    do {
        n = ::sendmsg(fd, &message, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && errno != ECONNREFUSED)
        std::fprintf(stderr, "zq40emu: uevent listener %s missed an event: %s\n", path.c_str(), std::strerror(errno));
    ::close(fd);
}

} // namespace

void UeventSender::send(const DeviceRecord& device, const std::string& action, std::chrono::milliseconds patience) const
{
    std::string props;
    auto append = [&props](const std::string& key, const std::string& value) {
        props += key;
        props += '=';
        props += value;
        props += '\0';
    };
    append("ACTION", action);
    append("DEVPATH", device.devpath);
    append("SUBSYSTEM", device.subsystem);
    append("SEQNUM", std::to_string(nextSeqnum++));
    std::string devtype;
    for (const auto& [key, value] : device.properties) {
        append(key, value);
        if (key == "DEVTYPE")
            devtype = value;
    }

    MonitorHeader header{};
    std::memcpy(header.prefix, "libudev", 8);
    header.magic = htonl(kMonitorMagic);
    header.headerSize = sizeof header;
    header.propertiesOff = sizeof header;
    header.propertiesLen = static_cast<uint32_t>(props.size());
    header.filterSubsystemHash = htonl(stringHash32(device.subsystem));
    if (!devtype.empty())
        header.filterDevtypeHash = htonl(stringHash32(devtype));

    struct iovec iov[2];
    iov[0].iov_base = &header;
    iov[0].iov_len = sizeof header;
    iov[1].iov_base = props.data();
    iov[1].iov_len = props.size();
    struct msghdr message { };
    message.msg_iov = iov;
    message.msg_iovlen = 2;

    glob_t listeners{};
    const std::string pattern = root_ + "/event[0-9]*";
    if (::glob(pattern.c_str(), GLOB_NOSORT, nullptr, &listeners) == 0) {
        for (std::size_t i = 0; i < listeners.gl_pathc; ++i)
            sendTo(listeners.gl_pathv[i], message, patience);
    }
    ::globfree(&listeners);
}

void raiseDatagramQueueLimit(int atLeast)
{
    const char* path = "/proc/sys/net/unix/max_dgram_qlen";
    int current = 0;
    {
        std::ifstream in(path);
        if (!(in >> current) || current >= atLeast)
            return;
    }
    std::ofstream out(path);
    out << atLeast << "\n";
}

} // namespace zq40emu::detail

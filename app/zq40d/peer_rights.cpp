#include "peer_rights.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace zq40::daemon {

namespace {

constexpr mode_t kReadWrite = 06;

// The kernel's form of an access control list: a version, then entries of
// tag, permissions and id.
constexpr uint32_t kAclVersion = 2;
constexpr uint16_t kAclUser = 0x02;
constexpr uint16_t kAclGroup = 0x08;
constexpr uint16_t kAclMask = 0x10;

struct AclEntry {
    uint16_t tag;
    uint16_t perm;
    uint32_t id;
};

bool aclAllows(const Peer& peer, const std::string& node)
{
    std::array<char, 1024> bytes{};
    const ssize_t size = ::getxattr(node.c_str(), "system.posix_acl_access", bytes.data(), bytes.size());
    uint32_t version = 0;
    if (size < ssize_t(sizeof version))
        return false;
    std::memcpy(&version, bytes.data(), sizeof version);
    if (version != kAclVersion)
        return false;
    bool named = false;
    uint16_t mask = kReadWrite;
    for (ssize_t at = sizeof version; at + ssize_t(sizeof(AclEntry)) <= size; at += sizeof(AclEntry)) {
        AclEntry e{};
        std::memcpy(&e, bytes.data() + at, sizeof e);
        if (e.tag == kAclMask)
            mask = e.perm;
        else if ((e.tag == kAclUser && e.id == peer.uid) ||
                 (e.tag == kAclGroup && std::count(peer.groups.begin(), peer.groups.end(), gid_t(e.id))))
            named = named || (e.perm & kReadWrite) == kReadWrite;
    }
    return named && (mask & kReadWrite) == kReadWrite;
}

} // namespace

bool peerOf(int socket, Peer& peer)
{
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return false;
    peer.pid = credentials.pid;
    peer.uid = credentials.uid;
    peer.groups = {credentials.gid};
    // From the socket rather than /proc, which the service's unit hides.
    std::array<gid_t, 256> groups{};
    socklen_t size = sizeof groups;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERGROUPS, groups.data(), &size) == 0)
        peer.groups.insert(peer.groups.end(), groups.begin(), groups.begin() + size / sizeof(gid_t));
    return true;
}

bool peerMayOpen(const Peer& peer, const std::string& node)
{
    struct stat st { };
    if (::stat(node.c_str(), &st) != 0)
        return false;
    if (peer.uid == 0)
        return true;
    if (peer.uid == st.st_uid)
        return ((st.st_mode >> 6) & kReadWrite) == kReadWrite;
    if (aclAllows(peer, node))
        return true;
    if (std::count(peer.groups.begin(), peer.groups.end(), st.st_gid))
        return ((st.st_mode >> 3) & kReadWrite) == kReadWrite;
    return (st.st_mode & kReadWrite) == kReadWrite;
}

} // namespace zq40::daemon

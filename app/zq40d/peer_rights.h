// Who is at the other end of a local socket, and whether they could open a
// unit's node themselves: the service lends its units only to a user the
// system would let use them anyway.
#pragma once

#include <QString>

#include <string>
#include <sys/types.h>
#include <vector>

namespace zq40::daemon {

struct Peer {
    pid_t pid = 0;
    uid_t uid = 0;
    std::vector<gid_t> groups; // the primary group first
    QString name;              // "zq40panel (pid 1234, uid 1000)"
};

// The peer of a connected AF_UNIX socket; false when the system will not say.
bool peerOf(int socket, Peer& peer);

// Whether `peer` may open `node` for reading and writing by its owner, group
// and other bits, or by an entry of its access control list.
bool peerMayOpen(const Peer& peer, const std::string& node);

} // namespace zq40::daemon

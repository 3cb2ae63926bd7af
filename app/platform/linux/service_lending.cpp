// Borrowing over the service's socket in the abstract namespace: no file to
// find or to clean up, and the service sees who connects (SO_PEERCRED).
#include "service_lending.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace zq40 {

namespace {

// The answer waits for the service to close its units, which takes the
// library's worker at most two seconds.
constexpr int kAnswerMs = 5000;

bool readLine(int fd, std::string& line)
{
    line.clear();
    char c = 0;
    while (line.size() < size_t(kMaxLendingLine)) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kAnswerMs) <= 0 || ::read(fd, &c, 1) != 1)
            return false;
        if (c == '\n')
            return true;
        line += c;
    }
    return false;
}

} // namespace

bool borrowUnitsFromService(const std::string& program, std::string& why)
{
    const char* name = std::getenv(kLendingNameVariable);
    const std::string socketName = name && *name ? name : kLendingName;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketName.size() + 1 > sizeof address.sun_path) {
        why = "the service's name is too long";
        return false;
    }
    // A leading NUL puts the name in the abstract namespace.
    std::memcpy(address.sun_path + 1, socketName.data(), socketName.size());
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + socketName.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        why = std::string("the service does not answer: ") + std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    const std::string request = kLendRequest + program + "\n";
    std::string answer;
    if (::write(fd, request.data(), request.size()) != ssize_t(request.size()) || !readLine(fd, answer)) {
        why = "the service did not answer in time";
        ::close(fd);
        return false;
    }
    if (answer != kLentAnswer) {
        why = answer.rfind(kRefusedAnswer, 0) == 0 ? answer.substr(std::strlen(kRefusedAnswer)) : answer;
        ::close(fd);
        return false;
    }
    // Kept open, never closed here: the service takes its units back when
    // this process ends and the system closes it.
    return true;
}

} // namespace zq40

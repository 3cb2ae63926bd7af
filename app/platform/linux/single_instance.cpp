#include "single_instance.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const lockName = "zq40 named mutex";

bool isDirectory(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

void warn(const std::string& path, const char* what)
{
    std::fprintf(stderr, "zq40panel: cannot use the lock file %s (%s); starting without the single-instance guard\n",
                 path.c_str(), what);
}

} // namespace

// An exclusive flock on a lock file.
struct SingleInstance::Guard {
    int fd = -1;
    ~Guard()
    {
        if (fd >= 0)
            close(fd);
    }
};

std::string SingleInstance::defaultLockPath()
{
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeDir && runtimeDir[0] == '/' && isDirectory(runtimeDir))
        return std::string(runtimeDir) + "/" + lockName + ".lock";
    // /tmp is shared: the user id keeps one user's copy from blocking another's.
    return std::string("/tmp/") + lockName + "." + std::to_string(getuid()) + ".lock";
}

SingleInstance::SingleInstance(const std::string& lockPath)
    : guard(std::make_unique<Guard>())
{
    int& fd = guard->fd;
    // No symlinks: in a shared directory someone else could point ours anywhere.
    fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        warn(lockPath, std::strerror(errno));
        return;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
        // A file planted by another user must neither stop us nor be trusted.
        warn(lockPath, "not a regular file of this user");
        close(fd);
        fd = -1;
        return;
    }
    int rc;
    do {
        rc = flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        held = true;
        return;
    }
    if (errno == EWOULDBLOCK) {
        otherRunning = true;
    } else {
        warn(lockPath, std::strerror(errno));
    }
    close(fd);
    fd = -1;
}

SingleInstance::~SingleInstance() = default;

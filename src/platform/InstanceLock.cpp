#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <set>
#include <utility>

namespace platform {

namespace {

// A process's record locks are all dropped when any descriptor of the file
// closes, and its own locks never conflict with each other; so a file this
// process holds is refused here, before it is opened a second time.
struct HeldFiles {
    std::mutex mutex;
    std::set<std::pair<dev_t, ino_t>> files;
};

HeldFiles& HeldByUs() {
    static HeldFiles held;
    return held;
}

std::pair<dev_t, ino_t> KeyOf(const struct stat& info) {
    return {info.st_dev, info.st_ino};
}

}  // namespace

InstanceLock::InstanceLock(std::string path) : mPath(std::move(path)) {}

InstanceLock::~InstanceLock() {
    // The file stays: removing it would let a newcomer lock a fresh file while
    // an older process still holds the unlinked one.
    if (mFd >= 0) {
        HeldFiles& held = HeldByUs();
        const std::lock_guard lock(held.mutex);
        struct stat info {};
        if (fstat(mFd, &info) == 0) {
            held.files.erase(KeyOf(info));
        }
        close(mFd);
    }
}

InstanceLockResult InstanceLock::Acquire() {
    if (mFd >= 0) {
        return InstanceLockResult::Acquired;
    }
    HeldFiles& held = HeldByUs();
    const std::lock_guard lock(held.mutex);
    struct stat info {};
    if (lstat(mPath.c_str(), &info) == 0 && held.files.count(KeyOf(info)) != 0) {
        return InstanceLockResult::HeldElsewhere;
    }
    // Close-on-exec: a browser started from the game gets no descriptor of it.
    const int fd = open(mPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return InstanceLockResult::Unavailable;
    }
    if (fstat(fd, &info) != 0) {
        close(fd);
        return InstanceLockResult::Unavailable;
    }
    if (held.files.count(KeyOf(info)) != 0) {
        // A file of ours moved in under this name since the look above: closing
        // would drop the lock held on it, so the descriptor is left open.
        return InstanceLockResult::HeldElsewhere;
    }
    struct flock request {};
    request.l_type = F_WRLCK;
    request.l_whence = SEEK_SET;  // the whole file, however long it grows
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (fcntl(fd, F_SETLK, &request) == 0) {
            mFd = fd;
            held.files.insert(KeyOf(info));
            return InstanceLockResult::Acquired;
        }
        if (errno != EINTR) {
            break;
        }
    }
    const int error = errno;
    close(fd);
    return error == EACCES || error == EAGAIN ? InstanceLockResult::HeldElsewhere
                                              : InstanceLockResult::Unavailable;
}

}  // namespace platform

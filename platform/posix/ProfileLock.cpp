// The settings writers' lock: see ProfileLock.h.
#include "platform/posix/ProfileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <thread>

#include "platform/posix/ProfileStore.h"

namespace profile {
namespace {

constexpr std::chrono::milliseconds LockPoll{5};

// The folder whose lock this process holds. NOTE: flock, not fcntl: a record lock would
// be dropped by the process's own next close of any descriptor of the folder.
struct HeldLock {
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;
};
HeldLock held;

void Release() {
    if (held.fd >= 0) close(held.fd);
    held = HeldLock{};
}

// The folder that holds the file behind `file`, opened, or -1 (a symlink loop, a
// missing or unreadable folder).
int OpenFolderOf(const std::string& file, struct stat& folder) {
    const std::optional<std::string> target = FileBehind(file);
    if (!target) return -1;
    const int fd = open(FolderOf(*target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 && fstat(fd, &folder) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool HeldHere(const struct stat& folder) {
    return held.fd >= 0 && held.device == folder.st_dev && held.inode == folder.st_ino;
}

enum class Locking { Taken, Unsupported, TimedOut };

// Takes `operation` (LOCK_EX or LOCK_SH) on `fd`, waiting up to LockWait.
Locking Lock(int fd, int operation) {
    const auto deadline = std::chrono::steady_clock::now() + LockWait;
    for (;;) {
        if (flock(fd, operation | LOCK_NB) == 0) return Locking::Taken;
        if (errno != EWOULDBLOCK && errno != EINTR) return Locking::Unsupported;
        if (std::chrono::steady_clock::now() >= deadline) return Locking::TimedOut;
        std::this_thread::sleep_for(LockPoll);
    }
}

}  // namespace

bool TakeWriteLock(const std::string& file) {
    struct stat folder {};
    const int fd = OpenFolderOf(file, folder);
    if (fd < 0) return true;  // the write itself refuses a symlink loop
    if (HeldHere(folder)) {
        close(fd);
        return true;
    }
    Release();
    const Locking outcome = Lock(fd, LOCK_EX);
    if (outcome == Locking::Taken) {
        held = HeldLock{fd, folder.st_dev, folder.st_ino};
        return true;
    }
    close(fd);
    return outcome == Locking::Unsupported;  // no locks here: written without one
}

// NOTE: a shared flock on a descriptor of our own would wait for this process's own
// exclusive one, which it keeps between writes: the read goes on under that one.
ReadLock::ReadLock(const std::string& file) {
    struct stat folder {};
    fd_ = OpenFolderOf(file, folder);
    if (fd_ < 0) return;
    if (HeldHere(folder) || Lock(fd_, LOCK_SH) != Locking::Taken) {
        close(fd_);
        fd_ = -1;
    }
}

ReadLock::~ReadLock() {
    if (fd_ >= 0) close(fd_);
}

}  // namespace profile

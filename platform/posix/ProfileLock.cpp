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

}  // namespace

bool TakeWriteLock(const std::string& file) {
    const std::optional<std::string> target = FileBehind(file);
    if (!target) return true;  // the write itself refuses a symlink loop
    const int fd = open(FolderOf(*target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat folder {};
    if (fd < 0 || fstat(fd, &folder) != 0) {
        if (fd >= 0) close(fd);
        return true;
    }
    if (held.fd >= 0 && held.device == folder.st_dev && held.inode == folder.st_ino) {
        close(fd);
        return true;
    }
    Release();
    const auto deadline = std::chrono::steady_clock::now() + LockWait;
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            held = HeldLock{fd, folder.st_dev, folder.st_ino};
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            close(fd);
            return true;  // no locks here
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            close(fd);
            return false;
        }
        std::this_thread::sleep_for(LockPoll);
    }
}

}  // namespace profile

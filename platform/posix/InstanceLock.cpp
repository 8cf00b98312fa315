// The single-instance lock: see InstanceLock.h.
#include "platform/posix/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <utility>
#include <vector>

namespace instancelock {
namespace {

// A folder that only we can use: a directory of ours that no one else may enter or change.
// A symlink is followed only for the runtime folder, which our own environment names.
int OpenPrivateFolder(const std::string& path, bool followLink) {
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    const int folder = open(path.c_str(), flags);
    if (folder < 0) return -1;
    struct stat status {};
    if (fstat(folder, &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != geteuid() ||
        (status.st_mode & 077) != 0) {
        close(folder);
        return -1;
    }
    return folder;
}

std::vector<int> OpenPrivateFolders() {
    std::vector<int> folders;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        folders.push_back(OpenPrivateFolder(runtime, true));
    // NOTE: another account may have made this name first (/tmp is everyone's); then it
    // fails the checks and is left alone.
    const std::string fallback = "/tmp/vellory-" + std::to_string(geteuid());
    mkdir(fallback.c_str(), 0700);
    folders.push_back(OpenPrivateFolder(fallback, false));
    folders.erase(std::remove(folders.begin(), folders.end(), -1), folders.end());
    return folders;
}

std::string FileName(const std::string& server) {
    std::string name = "vellory-" + server + ".lock";
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
}

}  // namespace

Outcome Take(const std::string& server) {
    static bool ours = false;  // once taken, the lock stays with this process
    if (ours) return Outcome::Ours;
    std::vector<std::pair<dev_t, ino_t>> folderIds;
    std::vector<int> locks;  // kept open: the descriptors are the lock
    bool heldByAnother = false;
    for (const int folder : OpenPrivateFolders()) {
        struct stat status {};
        fstat(folder, &status);
        const std::pair<dev_t, ino_t> id{status.st_dev, status.st_ino};
        // NOTE: flock conflicts between two descriptors of one process: a folder reached
        // by two names is locked once.
        const bool skip =
            heldByAnother || std::find(folderIds.begin(), folderIds.end(), id) != folderIds.end();
        const int file = skip ? -1
                              : openat(folder, FileName(server).c_str(),
                                       O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        close(folder);
        if (file < 0) continue;
        if (flock(file, LOCK_EX | LOCK_NB) == 0) {
            folderIds.push_back(id);
            locks.push_back(file);
            continue;
        }
        heldByAnother = errno == EWOULDBLOCK;
        close(file);
    }
    // A copy that meets another lets go at once of what it took, so that the other, which
    // may still be taking the rest in the same order, wins.
    if (heldByAnother) {
        for (const int lock : locks) close(lock);
        return Outcome::HeldByAnother;
    }
    ours = !locks.empty();
    return ours ? Outcome::Ours : Outcome::Unavailable;
}

}  // namespace instancelock

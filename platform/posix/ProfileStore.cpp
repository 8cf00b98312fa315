// Reading a settings file whole and replacing it atomically. Start at ReplaceWhole.
#include "platform/posix/ProfileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

namespace profile {
namespace {

constexpr int MaxSymlinkHops = 40;       // as the kernel's own limit
constexpr int TemporaryNameTries = 100;  // new names to try when one is taken
constexpr std::size_t ReadChunk = 1 << 16;

int OpenFile(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file that a write must replace: the path itself, or the final target of the
// symlinks that it names (which need not exist yet). Nothing for a symlink loop.
std::optional<std::string> FollowLinks(std::string path) {
    for (int hop = 0; hop < MaxSymlinkHops; ++hop) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::string target(static_cast<std::size_t>(info.st_size) + 1, '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return std::nullopt;
        target.resize(static_cast<std::size_t>(length));
        path = target.front() == '/' ? target : FolderOf(path) + "/" + target;
    }
    return std::nullopt;
}

// A new, empty file beside the target, created with the target's permissions (or, for
// a new target, those that the umask gives).
int CreateTemporary(const std::string& target, std::string& name, const struct stat* old) {
    const std::string folder = FolderOf(target);
    const std::string base = target.substr(target.rfind('/') + 1);
    for (int attempt = 0; attempt < TemporaryNameTries; ++attempt) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        name = folder + "/." + base + "." + std::to_string(getpid()) + "-" +
               std::to_string((now.tv_nsec + attempt) % 1000000000);
        const int fd = System().open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (old != nullptr) {
                // NOTE: only a privileged process may give a file away; for anyone else
                // the owner is theirs already and this fails harmlessly.
                if (fchown(fd, old->st_uid, old->st_gid) != 0) {
                    // kept: the file stays the writer's own
                }
                if (fchmod(fd, old->st_mode & 07777) != 0) {
                    close(fd);
                    unlink(name.c_str());
                    return -1;
                }
            }
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = System().write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

SystemCalls& System() {
    static SystemCalls calls{&OpenFile, &::write, &::fsync, &::rename};
    return calls;
}

ReadOutcome ReadWhole(const std::string& path, std::string& bytes) {
    bytes.clear();
    // NOTE: O_NONBLOCK keeps a FIFO in the file's place from blocking the open; such a
    // file is then refused as not regular.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > MaxFileSize) {
        close(fd);
        return ReadOutcome::Failed;
    }
    // Read straight into place; a file that grew since fstat is read on to its end.
    bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (static_cast<off_t>(bytes.size()) > MaxFileSize) {
                close(fd);
                bytes.clear();
                return ReadOutcome::Failed;
            }
            bytes.resize(bytes.size() + ReadChunk);
        }
        const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            close(fd);
            bytes.clear();
            return ReadOutcome::Failed;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    close(fd);
    return ReadOutcome::Read;
}

bool ReplaceWhole(const std::string& path, std::string_view bytes) {
    const std::optional<std::string> target = FollowLinks(path);
    if (!target) return false;
    struct stat old {};
    const bool exists = stat(target->c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return false;

    std::string temporary;
    const int fd = CreateTemporary(*target, temporary, exists ? &old : nullptr);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes) && System().fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && System().rename(temporary.c_str(), target->c_str()) == 0;
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder; failing here loses nothing.
    const int folder = ::open(FolderOf(*target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

}  // namespace profile

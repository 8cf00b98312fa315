// Reading a settings file whole and replacing it: atomically by a rename, or in place for a
// file with a second name. Start at ReplaceWhole.
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

// Gives the new file the old one's owner, group and mode. NOTE: only a privileged process
// may give a file away; anyone else keeps a file that is not theirs alone.
bool TakeOver(int fd, const struct stat& old) {
    struct stat now {};
    if (fstat(fd, &now) != 0) return false;
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
        fchown(fd, old.st_uid, old.st_gid) != 0)
        return false;
    return fchmod(fd, old.st_mode & 07777) == 0;
}

// A file the user made read-only has no write permission for anyone. NOTE: root may
// write it all the same; like Windows with a read-only file, we leave it alone too.
bool MayWrite(const std::string& target, const struct stat& info) {
    return (info.st_mode & 0222) != 0 && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
}

// A new, empty file beside the target. For a target that exists: created with its
// permissions (never wider: the umask only narrows them), then given its owner, group and
// exact mode; nothing when that cannot be done. For a new target: what the umask gives.
int CreateTemporary(const std::string& target, std::string& name, const struct stat* old) {
    const std::string folder = FolderOf(target);
    const std::string base = target.substr(target.rfind('/') + 1);
    const mode_t mode = old != nullptr ? old->st_mode & 0777 : 0666;
    for (int attempt = 0; attempt < TemporaryNameTries; ++attempt) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        name = folder;
        name.append("/.").append(base).append(".").append(std::to_string(getpid()));
        name.append("-").append(std::to_string((now.tv_nsec + attempt) % 1000000000));
        const int fd = System().open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return -1;
        }
        if (old == nullptr || TakeOver(fd, *old)) return fd;
        close(fd);
        unlink(name.c_str());
        return -1;
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

bool Overwrite(int fd, std::string_view bytes) {
    return lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, bytes) &&
           ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && System().fsync(fd) == 0;
}

// A file with more than one name: a new file renamed over one name would leave the other
// with the old contents, so the bytes go into the file itself. Room for them is taken
// first, so that a full disk fails before the first byte changes; a write that fails all
// the same puts the old bytes back.
bool WriteInPlace(const std::string& target, std::string_view bytes) {
    std::string old;
    if (ReadWhole(target, old) != ReadOutcome::Read) return false;
    const int fd = System().open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
    if (fd < 0) return false;
    if (bytes.size() > old.size() &&
        fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes.size())) != 0 &&
        (errno == ENOSPC || errno == EDQUOT)) {
        close(fd);
        return false;
    }
    bool ok = Overwrite(fd, bytes);
    if (!ok) Overwrite(fd, old);
    ok = close(fd) == 0 && ok;
    return ok;
}

// The atomic way: a new file, flushed, renamed over the target (old: the target's
// status, or nullptr for a new file).
bool ReplaceByRename(const std::string& target, std::string_view bytes, const struct stat* old) {
    std::string temporary;
    const int fd = CreateTemporary(target, temporary, old);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes) && System().fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && System().rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder; failing here loses nothing.
    const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
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

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::optional<std::string> FileBehind(std::string path) {
    for (int hop = 0; hop < MaxSymlinkHops; ++hop) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::string target(static_cast<std::size_t>(info.st_size) + 1, '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return std::nullopt;
        target.resize(static_cast<std::size_t>(length));
        if (target.front() != '/') target = FolderOf(path).append("/").append(target);
        path = std::move(target);
    }
    return std::nullopt;
}

bool ReplaceWhole(const std::string& path, std::string_view bytes) {
    const std::optional<std::string> target = FileBehind(path);
    if (!target) return false;
    struct stat old {};
    if (stat(target->c_str(), &old) != 0) {
        return errno == ENOENT && ReplaceByRename(*target, bytes, nullptr);
    }
    if (!S_ISREG(old.st_mode) || !MayWrite(*target, old)) return false;
    if (old.st_nlink > 1) return WriteInPlace(*target, bytes);
    return ReplaceByRename(*target, bytes, &old);
}

}  // namespace profile

// The settings file on disk: read it whole, and replace it whole (atomically by rename,
// or in place for a hard-linked file). The profile format itself is
// platform/posix/ProfileText.h; one entry per call is ProfileFile.h; which file a user's
// settings are in, and the lock that readers and writers take, are
// platform/posix/ProfileAccess.h (with SettingsPlace.h and ProfileLock.h).
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace profile {

// The system calls that a replacement makes. Tests swap one out to make it fail (a full
// disk, a folder that refuses new files) and put the original back.
struct SystemCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*rename)(const char* from, const char* to);
};
SystemCalls& System();

// Files larger than this are not read (nor, therefore, replaced).
constexpr off_t MaxFileSize = off_t{256} << 20;

enum class ReadOutcome {
    Read,     // bytes holds the file
    Missing,  // no such file: a write creates it
    Failed,   // not a regular file, unreadable, or too large: a write leaves it alone
};
ReadOutcome ReadWhole(const std::string& path, std::string& bytes);

// Puts bytes in the file's place: a new file in the same folder, created with the old
// one's permissions, given its owner and group, flushed to disk, then renamed over it. A
// symlink is followed, so its target is replaced and the link stays a link; a file with a
// second name (a hard link) is written in place instead, so that both names keep it.
// Refused, with the file left as it is: a file this process may not write, a file that no
// one may write (the user made it read-only: even root leaves it), and one whose owner or
// group this process cannot give to the new file. On any failure the old file stays as it
// was and the result is false.
bool ReplaceWhole(const std::string& path, std::string_view bytes);

// The file that a write of `path` reaches: the path itself, or the final target of the
// symlinks that it names (which need not exist yet). Nothing for a symlink loop.
std::optional<std::string> FileBehind(std::string path);
std::string FolderOf(const std::string& path);  // "." for a bare name

}  // namespace profile

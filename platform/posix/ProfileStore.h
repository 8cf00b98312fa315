// The settings file on disk: read it whole, and replace it whole, atomically. The profile
// format itself is platform/posix/ProfileText.h; one entry per call is ProfileFile.h.
#pragma once

#include <sys/types.h>

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

// Puts bytes in the file's place: a new file in the same folder, flushed to disk, then
// renamed over the old one, which keeps its permissions. A symlink is followed, so its
// target is replaced and the link stays a link. On any failure the old file stays exactly
// as it was and the result is false.
bool ReplaceWhole(const std::string& path, std::string_view bytes);

}  // namespace profile

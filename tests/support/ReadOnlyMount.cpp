// Read-only bind mounts for tests of unwritable places. See ReadOnlyMount.h.
#include "tests/support/ReadOnlyMount.h"

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace support {

ReadOnlyMount::ReadOnlyMount(std::filesystem::path path) : path_(std::move(path)) {
    // NOTE: a bind mount takes the flags of its source; read-only needs a second step.
    if (mount(path_.c_str(), path_.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        failure_ = "mount --bind " + path_.string() + ": " + std::strerror(errno);
        return;
    }
    if (mount(nullptr, path_.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        failure_ = "mount -o remount,bind,ro " + path_.string() + ": " + std::strerror(errno);
        umount2(path_.c_str(), MNT_DETACH);
        return;
    }
    mounted_ = true;
}

ReadOnlyMount::~ReadOnlyMount() {
    // NOTE: detached, so that a process still inside (wineserver) cannot keep it.
    if (mounted_) umount2(path_.c_str(), MNT_DETACH);
}

}  // namespace support

// The process's place on the host: the single-instance lock and the executable's path.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <string>

#include "platform/x11/X11Platform.h"

namespace native {

// One copy per user and X display: an abstract socket whose name holds both. The kernel
// releases it when the process ends, however it ends, and binding it is atomic, so of
// two copies started at the same instant exactly one wins.
bool AnotherCopyRuns() {
    static bool held = false;  // once ours, the lock stays ours until the process ends
    if (held) return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const std::string name = "vellory-" + std::to_string(getuid()) + "-" + x11::DisplayName();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t length = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), length);  // sun_path[0] = 0: abstract
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0) {
        held = true;  // the socket stays open: that is the lock
        return false;
    }
    const bool taken = errno == EADDRINUSE;
    close(fd);
    return taken;
}

// The real executable (symlinks resolved), in the program's notation: "\" for "/".
std::string ExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return "";
    std::string path(buffer, static_cast<std::size_t>(length));
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

}  // namespace native

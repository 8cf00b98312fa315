// The Wayland session's name: see WaylandSession.h.
#include "platform/posix/WaylandSession.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>

namespace waylandsession {

std::optional<std::string> Name() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (display == nullptr || *display == '\0') return std::nullopt;
    std::string path = display;
    if (path[0] != '/') {  // relative to the runtime folder, as libwayland takes it
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime == nullptr || *runtime != '/') return std::nullopt;
        path = std::string(runtime) + "/" + path;
    }
    char resolved[PATH_MAX];
    struct stat status {};
    if (realpath(path.c_str(), resolved) == nullptr || stat(resolved, &status) != 0 ||
        !S_ISSOCK(status.st_mode))
        return std::nullopt;
    return "wayland:" + std::string(resolved);
}

}  // namespace waylandsession

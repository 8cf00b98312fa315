// The process's place on the host: the single-instance lock and the executable's path.
#include <unistd.h>

#include <climits>
#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/posix/InstanceLock.h"
#include "platform/x11/X11Platform.h"

namespace native {

// One copy per user and X server: see platform/posix/InstanceLock.h. Without a private
// folder for the lock, the program runs all the same: a second kitten is a nuisance that
// the user can end, while a lock that another account could keep from us would keep the
// program from ever starting.
bool AnotherCopyRuns() {
    const auto outcome = instancelock::Take(x11::ServerReached());
    if (outcome == instancelock::Outcome::Unavailable) {
        static bool said = false;
        if (!said)
            std::fputs(
                "vellory: no private folder for the single-instance lock: running "
                "without it\n",
                stderr);
        said = true;
    }
    return outcome == instancelock::Outcome::HeldByAnother;
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

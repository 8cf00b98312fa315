// The process's place on the host: the single-instance lock and the executable's path.
#include <unistd.h>

#include <cerrno>  // program_invocation_name
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <string>

#include "platform/Notice.h"
#include "platform/linux/Dispatch.h"
#include "platform/posix/ExecutableSearch.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/InstanceLock.h"

namespace native {

constexpr const char* ProgramName = "vellory";  // when nothing else names the executable

// One copy per user and display session, whichever backend runs: see
// platform/posix/InstanceLock.h. Without a private
// folder for the lock, the program runs all the same: a second kitten is a nuisance that
// the user can end, while a lock that another account could keep from us would keep the
// program from ever starting.
bool AnotherCopyRuns() {
    const auto outcome = instancelock::Take(backends::Chosen().SessionName());
    if (outcome == instancelock::Outcome::Unavailable) {
        static bool said = false;
        if (!said) {
            const std::string fallback = "/tmp/vellory-" + std::to_string(geteuid());
            notice::Say("a second kitten may start beside this one",
                        "no folder for the single-instance lock: neither XDG_RUNTIME_DIR nor " +
                            fallback + " is a folder of yours that no one else can enter");
        }
        said = true;
    }
    return outcome == instancelock::Outcome::HeldByAnother;
}

// The real executable (symlinks resolved), in the program's notation: "\" for "/".
// NOTE: without /proc (a chroot, some containers) the kernel's link cannot be read; the
// name the program was started by is looked up as the shell did. When even that fails,
// the name alone (the settings file is then the per-user one) rather than no name.
std::string ExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    std::string path;
    if (length > 0) path.assign(buffer, static_cast<std::size_t>(length));
    const std::string argument = program_invocation_name != nullptr ? program_invocation_name : "";
    if (path.empty()) path = executablesearch::Find(argument, std::getenv("PATH"));
    if (path.empty()) {
        const std::string name = argument.substr(argument.rfind('/') + 1);
        path = "/" + (name.empty() ? std::string(ProgramName) : name);
    }
    return hostpath::ToProgram(path);
}

}  // namespace native

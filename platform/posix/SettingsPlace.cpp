// The per-user copy of a settings file on POSIX: $XDG_CONFIG_HOME/vellory/<name>, else
// ~/.config/vellory/<name> (see platform/SettingsPlace.h).
#include "platform/SettingsPlace.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>

#include "platform/posix/ProfileStore.h"

namespace settingsplace {
namespace {

constexpr mode_t PrivateFolder = 0700;

bool Absolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

// XDG_CONFIG_HOME when it is an absolute path, else the home folder's ".config"; empty
// when there is no home folder to be found.
std::string ConfigHome() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); Absolute(config)) return config;
    const char* home = std::getenv("HOME");
    if (!Absolute(home)) {
        const passwd* user = getpwuid(geteuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    return Absolute(home) ? std::string(home) + "/.config" : "";
}

// Whether this user may write `folder`: nothing when it does not exist (a write there
// fails, and creates nothing anywhere).
std::optional<bool> Writable(const std::string& folder) {
    if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0) return true;
    if (errno == EACCES || errno == EROFS || errno == EPERM) return false;
    return std::nullopt;
}

// Creates the folder and each missing one above it, private to the user.
bool MakeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), PrivateFolder) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

}  // namespace

Place Locate(const std::string& file, bool forWriting) {
    const std::optional<std::string> behind = profile::FileBehind(file);
    if (!behind) return {file, ""};
    const std::optional<bool> writable = Writable(profile::FolderOf(*behind));
    if (!writable || *writable) return {file, ""};
    const std::string config = ConfigHome();
    if (config.empty()) return {file, ""};
    const std::string own = config + "/" + OwnFolderName;
    if (forWriting && !MakeFolders(own)) return {file, ""};
    return {own + "/" + file.substr(file.rfind('/') + 1), file};
}

}  // namespace settingsplace

// The user's cache folder on POSIX (see platform/CachePlace.h).
#include "platform/CachePlace.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/SettingsPlace.h"

namespace cacheplace {
namespace {

bool Absolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

std::string CacheHome() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); Absolute(cache)) return cache;
    const char* home = std::getenv("HOME");
    if (!Absolute(home)) {
        const passwd* user = getpwuid(geteuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    return Absolute(home) ? std::string(home) + "/.cache" : "";
}

}  // namespace

std::string Folder() {
    const std::string home = CacheHome();
    if (home.empty()) return "";
    const std::string own = home + "/" + settingsplace::OwnFolderName;
    for (std::size_t slash = own.find('/', 1);; slash = own.find('/', slash + 1)) {
        const std::string part = own.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return "";
        if (slash == std::string::npos) return own + "/";
    }
}

}  // namespace cacheplace

// The user's cache folder on Windows (see platform/CachePlace.h).
#include "platform/CachePlace.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/SettingsPlace.h"

namespace cacheplace {

std::string Folder() {
    constexpr DWORD kPathBufferSize = 32768;  // the longest path Windows knows
    std::string root(kPathBufferSize, '\0');
    const DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", root.data(), kPathBufferSize);
    if (n == 0 || n >= kPathBufferSize) return "";
    root.resize(n);
    const bool absolute = (n > 2 && root[1] == ':' && (root[2] == '\\' || root[2] == '/')) ||
                          root.rfind("\\\\", 0) == 0;
    if (!absolute) return "";
    const std::string own = root + "\\" + settingsplace::OwnFolderName;
    if (!CreateDirectoryA(own.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return "";
    return own + "\\";
}

}  // namespace cacheplace

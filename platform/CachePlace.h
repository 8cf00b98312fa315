// The user's own cache folder, for what the program makes once and keeps between runs
// (the picture painted at a display scale): $XDG_CACHE_HOME/vellory, else
// ~/.cache/vellory (platform/posix/CachePlace.cpp); %LOCALAPPDATA%\vellory
// (platform/win32/services/CachePlace.cpp). What is kept there may be deleted at any time.
#pragma once

#include <string>

namespace cacheplace {

// The folder with its final separator, created (private to the user) when it is missing;
// empty when there is none to be had.
std::string Folder();

}  // namespace cacheplace

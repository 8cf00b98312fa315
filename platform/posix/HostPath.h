// How the program's paths reach the POSIX file system and come back: the program writes
// "\" between folders ("\home\u\build\vellory.ini"); the file system uses "/".
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace hostpath {

// NOTE: a "\" inside a POSIX file name cannot be told apart from a separator in the
// program's notation; such names are not supported in the executable's or the settings
// file's path.
inline std::string ToHost(std::string_view programPath) {
    std::string path(programPath);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

inline std::string ToProgram(std::string_view hostPath) {
    std::string path(hostPath);
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

}  // namespace hostpath

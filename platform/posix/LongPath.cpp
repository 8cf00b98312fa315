// The work behind GetLongPathNameA on POSIX (platform/posix/Kernel32.cpp): the canonical
// path of an existing file, in the program's "\" notation, with the executable's ".exe"
// mapped onto its extension-less file.
#include "platform/posix/LongPath.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "platform/posix/HostPath.h"

namespace hostpath {
namespace {

constexpr std::string_view WindowsExeExtension = ".exe";

std::optional<std::string> RealPath(const std::string& hostPath) {
    if (hostPath.empty()) return std::nullopt;
    const std::unique_ptr<char, decltype(&free)> resolved(realpath(hostPath.c_str(), nullptr),
                                                          &free);
    if (!resolved) return std::nullopt;
    return std::string(resolved.get());
}

// The long form of a path in host notation, or nothing when it names no existing file.
//
// NOTE: the program names its own executable as AppPath + ExeName + ".exe", the Windows
// form, and takes the settings file's name from the result by replacing its last three
// characters with "ini". POSIX executables carry no extension: App.Path and App.EXEName
// report the real executable "/home/u/build/vellory" as "\home\u\build" and "vellory", so
// the program asks for "\home\u\build\vellory.exe", which does not exist. When a name
// ending in ".exe" is missing but the same name without it exists, the long form is that
// file's canonical path with ".exe" put back, "\home\u\build\vellory.exe", and the
// program's own steps then arrive at "\home\u\build\vellory.ini", beside the executable.
// Canonical means absolute, without "." or "..", every symlink resolved: a settings file
// always lies beside the real executable, whatever link it was started through.
std::optional<std::string> LongForm(const std::string& hostPath) {
    if (auto resolved = RealPath(hostPath)) return resolved;
    if (hostPath.size() <= WindowsExeExtension.size() || !hostPath.ends_with(WindowsExeExtension))
        return std::nullopt;
    const std::string bare = hostPath.substr(0, hostPath.size() - WindowsExeExtension.size());
    struct stat info {};
    if (stat(bare.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return std::nullopt;
    if (auto resolved = RealPath(bare)) return *resolved + std::string(WindowsExeExtension);
    return std::nullopt;
}

}  // namespace

std::uint32_t LongPathName(const char* shortPath, char* longPath, std::uint32_t bufferSize) {
    if (shortPath == nullptr) return 0;
    const std::optional<std::string> resolved = LongForm(ToHost(shortPath));
    if (!resolved) return 0;
    const std::string result = ToProgram(*resolved);
    const auto needed = static_cast<std::uint32_t>(result.size() + 1);  // with the NUL
    if (longPath == nullptr || bufferSize < needed) return needed;
    std::memcpy(longPath, result.c_str(), needed);
    return needed - 1;
}

}  // namespace hostpath

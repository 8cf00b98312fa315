// The executable that argv[0] names: see ExecutableSearch.h.
#include "platform/posix/ExecutableSearch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace executablesearch {
namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

// The path with every symlink resolved, or empty.
std::string Resolved(const std::string& path) {
    // NOTE: realpath follows each link by itself; it needs no /proc.
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) return "";
    std::string result(real);
    std::free(real);
    return result;
}

std::string DefaultSearchPath() {
    const std::size_t size = confstr(_CS_PATH, nullptr, 0);
    if (size == 0) return "/bin:/usr/bin";
    std::string path(size, '\0');
    confstr(_CS_PATH, path.data(), size);
    path.resize(size - 1);  // the count includes the NUL
    return path;
}

}  // namespace

std::string Find(const std::string& argument, const char* searchPath) {
    if (argument.empty()) return "";
    if (argument.find('/') != std::string::npos)
        return IsExecutableFile(argument) ? Resolved(argument) : "";
    const std::string folders = searchPath != nullptr ? searchPath : DefaultSearchPath();
    for (std::size_t start = 0;;) {
        const std::size_t colon = folders.find(':', start);
        const std::string folder = folders.substr(start, colon - start);
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + argument;
        if (IsExecutableFile(candidate)) return Resolved(candidate);
        if (colon == std::string::npos) return "";
        start = colon + 1;
    }
}

}  // namespace executablesearch

// The per-user copy of a settings file on Windows: %LOCALAPPDATA%\vellory\<name> (see
// platform/SettingsPlace.h).
#include "platform/SettingsPlace.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <optional>
#include <string>

namespace settingsplace {
namespace {

constexpr DWORD PathBufferSize = 32768;  // the longest path Windows knows

bool Absolute(const std::string& path) {
    return (path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
           path.rfind("\\\\", 0) == 0;
}

std::string LocalAppData() {
    std::string buffer(PathBufferSize, '\0');
    const DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", buffer.data(), PathBufferSize);
    if (n == 0 || n >= PathBufferSize) return "";
    buffer.resize(n);
    return Absolute(buffer) ? buffer : "";
}

// Whether this user may create files in `folder` (with its final separator): nothing
// when it does not exist (a write there fails, and creates nothing anywhere). NOTE: the
// folder's access list decides, which only an attempt reads reliably; the probe file is
// deleted when its handle closes, and the answer is kept, so that a run makes one.
std::optional<bool> Writable(const std::string& folder) {
    static std::string probed;
    static std::optional<bool> answer;
    if (folder == probed) return answer;
    const std::string probe = folder + "~vellory-" + std::to_string(GetCurrentProcessId()) + ".tmp";
    const HANDLE file = CreateFileA(
        probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    const DWORD error = file != INVALID_HANDLE_VALUE ? ERROR_SUCCESS : GetLastError();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (error == ERROR_SUCCESS || error == ERROR_FILE_EXISTS)
        answer = true;
    else if (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT)
        answer = false;
    else
        answer = std::nullopt;
    probed = folder;
    return answer;
}

}  // namespace

Place Locate(const std::string& file, bool forWriting) {
    const std::size_t separator = file.find_last_of("\\/");
    if (separator == std::string::npos) return {file, ""};
    const std::optional<bool> writable = Writable(file.substr(0, separator + 1));
    if (!writable || *writable) return {file, ""};
    const std::string root = LocalAppData();
    if (root.empty()) return {file, ""};
    const std::string own = root + "\\" + OwnFolderName;
    if (forWriting && !CreateDirectoryA(own.c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS)
        return {file, ""};
    return {own + "\\" + file.substr(separator + 1), file};
}

}  // namespace settingsplace

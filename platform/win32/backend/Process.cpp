// The process's place on the host: the single-instance lock and the executable's path.
#include <string>

#include "platform/win32/backend/Win32Platform.h"

namespace native {

// NOTE: "Local\" puts the mutex in this login session's namespace: one copy per user
// and session, as on X11 one per user and display. Creating a named mutex is atomic, so
// of two copies started at the same instant exactly one sees it new.
constexpr const char* InstanceMutexName = "Local\\vellory.single-instance";

bool AnotherCopyRuns() {
    static HANDLE held = nullptr;  // once ours, the mutex stays open until the process ends
    if (held != nullptr) return false;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, InstanceMutexName);
    const DWORD error = GetLastError();
    if (mutex == nullptr) return error == ERROR_ACCESS_DENIED;  // another user's copy holds it
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return true;
    }
    held = mutex;
    return false;
}

// The executable's full path, as Windows reports it ("\" between folders already).
std::string ExecutablePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return "";
        // NOTE: a path that does not fit is cut and GetModuleFileNameA reports the full
        // buffer; ask again with a larger one (paths can reach 32767 characters).
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768) return "";
        path.resize(path.size() * 2);
    }
}

}  // namespace native

// The kernel32 functions of platform/WinApi.h on POSIX: our own profile-file and long-path
// services (ProfileFile.cpp, LongPath.cpp) behind Windows' argument lists. The Windows
// half is platform/win32/services/Kernel32.cpp.
#include "platform/WinApi.h"
#include "platform/posix/LongPath.h"
#include "platform/posix/ProfileFile.h"

namespace winapi {

DWORD GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD bufferSize) {
    return hostpath::LongPathName(shortPath, longPath, bufferSize);
}

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD bufferSize, LPCSTR fileName) {
    return profile::ReadEntry(section, key, defaultValue, buffer, bufferSize, fileName);
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    return profile::WriteEntry(section, key, value, fileName);
}

}  // namespace winapi

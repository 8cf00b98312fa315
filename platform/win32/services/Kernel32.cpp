// The kernel32 functions of platform/WinApi.h on Windows: each one forwards to the
// system's own, so the settings file is the system's profile file. The POSIX half is
// platform/posix/Kernel32.cpp.
#include "platform/WinApi.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace winapi {

DWORD GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD bufferSize) {
    return ::GetLongPathNameA(shortPath, longPath, bufferSize);
}

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD bufferSize, LPCSTR fileName) {
    return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, bufferSize, fileName);
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    return ::WritePrivateProfileStringA(section, key, value, fileName);
}

}  // namespace winapi

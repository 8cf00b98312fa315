// The kernel32 functions of platform/WinApi.h on Windows: each one forwards to the
// system's own, so the settings file is the system's profile file; where the program's
// folder cannot be written, on this user's copy of it (platform/SettingsPlace.h). The
// POSIX half is platform/posix/Kernel32.cpp.
#include "platform/WinApi.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/SettingsPlace.h"

namespace winapi {
namespace {

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file that a read of `fileName` reads. NOTE: a null or empty name means something
// else to the system (win.ini); it goes through unchanged.
std::string FileToRead(LPCSTR fileName) {
    const settingsplace::Place place = settingsplace::Locate(fileName, false);
    return place.fallback.empty() || Exists(place.file) ? place.file : place.fallback;
}

// The file that a write of `fileName` writes. A per-user copy starts as a copy of the
// file beside the program, writable whatever that file's attributes were.
std::string FileToWrite(LPCSTR fileName) {
    const settingsplace::Place place = settingsplace::Locate(fileName, true);
    if (!place.fallback.empty() && CopyFileA(place.fallback.c_str(), place.file.c_str(), TRUE)) {
        const DWORD attributes = GetFileAttributesA(place.file.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
            SetFileAttributesA(place.file.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    return place.file;
}

}  // namespace

DWORD GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD bufferSize) {
    return ::GetLongPathNameA(shortPath, longPath, bufferSize);
}

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD bufferSize, LPCSTR fileName) {
    if (fileName == nullptr || *fileName == '\0')
        return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, bufferSize, fileName);
    return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, bufferSize,
                                      FileToRead(fileName).c_str());
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    if (fileName == nullptr || *fileName == '\0')
        return ::WritePrivateProfileStringA(section, key, value, fileName);
    return ::WritePrivateProfileStringA(section, key, value, FileToWrite(fileName).c_str());
}

}  // namespace winapi

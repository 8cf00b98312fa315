// One entry of a settings file per call, the file named in the program's "\" notation;
// platform/posix/Kernel32.cpp puts these behind GetPrivateProfileStringA and
// WritePrivateProfileStringA. The full rules of each are beside its code.
#pragma once

#include <cstdint>

namespace profile {

// The entry's value or the default, cut to fit the buffer; the number of characters copied.
std::uint32_t ReadEntry(const char* section, const char* key, const char* defaultValue,
                        char* buffer, std::uint32_t bufferSize, const char* fileName);
// Sets one entry; nonzero on success, and the file exactly as it was on failure.
int WriteEntry(const char* section, const char* key, const char* value, const char* fileName);

}  // namespace profile

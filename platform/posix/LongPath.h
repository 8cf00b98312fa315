// The long form of a program path on POSIX; platform/posix/Kernel32.cpp puts it behind
// GetLongPathNameA.
#pragma once

#include <cstdint>

namespace hostpath {

// The canonical path of an existing file in the program's "\" notation, as
// GetLongPathNameA gives it: the length copied, or the size needed (with the NUL) when
// the buffer is too small, or 0 when the path names no file.
std::uint32_t LongPathName(const char* shortPath, char* longPath, std::uint32_t bufferSize);

}  // namespace hostpath

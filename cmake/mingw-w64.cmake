# Cross-building the Windows program on Linux with MinGW-w64 (Debian: g++-mingw-w64-x86-64).
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_PREFIX x86_64-w64-mingw32)
# NOTE: the "-posix" thread model: the program has one thread, but GoogleTest (1.12, as
# Debian ships it) needs std::mutex, which GCC 12's "-win32" model lacks. With -static
# its winpthread goes into the executable too, which stays one file. The plain names are
# Debian's alternatives, which may point at either variant; asking for "-posix" first
# keeps the build the same on every machine.
find_program(CMAKE_C_COMPILER NAMES ${MINGW_PREFIX}-gcc-posix ${MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${MINGW_PREFIX}-g++-posix ${MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One file that runs on a plain Windows: the compiler's own run-time libraries linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run through Wine when CTest starts them.
find_program(VELLORY_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT VELLORY_WINE)
  find_program(VELLORY_WINE NAMES wine64 wine)
endif()
if(VELLORY_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VELLORY_WINE})
endif()

#!/usr/bin/env bash
# clang-tidy over the program's own sources (the X11 build: the Win32 backend needs
# Windows' headers), with the checks in .clang-tidy. Exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-tidy}
cmake -S . -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DVELLORY_TESTS=OFF \
      -DVELLORY_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vellory vellory_null >/dev/null
mapfile -t sources < <(git ls-files 'platform/*.cpp' 'runtime/*.cpp' 'startup/*.cpp' \
                                    'shaping/*.cpp' 'window/*.cpp' | grep -v '^platform/win32/')
printf '%s\n' "${sources[@]}" |
  xargs -P"$(nproc)" -n4 clang-tidy --quiet -p "$build" 2>/dev/null

#!/usr/bin/env bash
# clang-tidy over the program's own sources (the X11 build: the Win32 backend needs
# Windows' headers), with the checks in .clang-tidy. Exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-tidy}
cmake -S . -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DVELLORY_TESTS=OFF \
      -DVELLORY_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vellory vellory_null >/dev/null
# NOTE: found, not asked of git: a clone owned by another account (run with sudo) is one
# that git refuses to read.
mapfile -t sources < <(find platform runtime startup shaping window -name '*.cpp' \
                         -not -path 'platform/win32/*' | sort)
[[ ${#sources[@]} -gt 0 ]] || { echo "tidy.sh: no sources found" >&2; exit 1; }
echo "clang-tidy $(clang-tidy --version | sed -n 's/.*version \([0-9.]*\).*/\1/p' | head -1) on ${#sources[@]} files"
printf '%s\n' "${sources[@]}" |
  xargs -P"$(nproc)" -n4 clang-tidy --quiet -p "$build" 2>/dev/null

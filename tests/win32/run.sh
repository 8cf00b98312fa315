#!/usr/bin/env bash
# The Windows build end to end, on Linux: cross-builds vellory.exe and the unit tests
# (MinGW-w64), runs the unit tests under Wine, then drives the real vellory.exe under Wine
# on a private Xvfb with openbox (tests/win32/*-test.cpp, built natively) and compares
# Windows' profile functions with ours. Stops at the first failure, loudly.
#   tests/win32/run.sh [--measure] [--wine-root ROOT]
#     --measure    also tests/win32/measure.sh
#     --wine-root  builds here, then runs everything under Wine inside ROOT (a root of
#                  tests/rootfs/build.sh, as root) with its Wine, Xvfb and openbox: another
#                  Debian's Wine on the same build
# Build folders: $VELLORY_WIN_BUILD (build-win) and $VELLORY_WINTESTS_BUILD (build-wintests).
# $VELLORY_WIN32_REPORT: an absolute path, where the tests of vellory.exe write their XML
# report (with --wine-root, in the tree or a build folder).
set -euo pipefail
measure=no wine_root="" built=no
while [[ $# -gt 0 ]]; do
  case $1 in
    --measure) measure=yes; shift ;;
    --wine-root) [[ -n ${2:-} ]] || { echo "run.sh: --wine-root needs a root" >&2; exit 2; }
                 wine_root=$2; shift 2 ;;
    --built) built=yes; shift ;;  # inside the root: the builds are there already
    *) echo "usage: tests/win32/run.sh [--measure] [--wine-root ROOT]" >&2; exit 2 ;;
  esac
done
[[ -z $wine_root || -d $wine_root ]] || { echo "run.sh: no root at $wine_root" >&2; exit 2; }
root=$(cd "$(dirname "$0")/../.." && pwd)
win_build=${VELLORY_WIN_BUILD:-$root/build-win}
native_build=${VELLORY_WINTESTS_BUILD:-$root/build-wintests}
jobs=${VELLORY_JOBS:-2}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver  # NOTE: Debian keeps it off the PATH
stage() { printf '\n=== windows: %s (%s)\n' "$1" "$(date +%T)"; }
fail() { printf '\n*** windows: FAILED: %s\n' "$1" >&2; exit 1; }

if [[ $built == no ]]; then
  if [[ -f "$root/scripts/setup.sh" ]]; then bash "$root/scripts/setup.sh" --tests; fi
  tools=(x86_64-w64-mingw32-g++-posix cmake)
  [[ -n $wine_root ]] || tools+=("$wine" Xvfb openbox)
  for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null || fail "$tool is missing (apt-get install g++-mingw-w64-x86-64 wine64 xvfb openbox cmake)"
  done

  stage "cross build: vellory.exe, unit_tests.exe, profile_probe.exe"
  cmake -S "$root" -B "$win_build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null || fail "configuring the cross build"
  cmake --build "$win_build" -j"$jobs" >/dev/null || fail "the cross build"
  x86_64-w64-mingw32-objdump -p "$win_build/vellory.exe" | grep -q "DLL Name: libstdc++\|DLL Name: libgcc\|DLL Name: libwinpthread" \
    && fail "vellory.exe depends on a MinGW DLL: it must be linked statically"
  ls -l "$win_build/vellory.exe"

  stage "native build: win32_tests"
  cmake -S "$root" -B "$native_build" -DVELLORY_BENCH=OFF -DVELLORY_WIN32_TESTS=ON \
    -DVELLORY_WIN32_BUILD="$win_build" >/dev/null || fail "configuring the native build"
  cmake --build "$native_build" -j"$jobs" --target win32_tests start_to_window vellory >/dev/null || fail "the native build"
fi

if [[ -n $wine_root ]]; then
  stage "into $wine_root"
  # The tree and the build folders at the same paths inside, where the builds point.
  binds=()
  for folder in "$root" "$win_build" "$native_build"; do binds+=(--bind "$folder"); done
  args=(--built)
  [[ $measure == yes ]] && args+=(--measure)
  bash "$root/tests/rootfs/enter.sh" "$wine_root" "${binds[@]}" -- \
    env VELLORY_WIN_BUILD="$win_build" VELLORY_WINTESTS_BUILD="$native_build" \
    VELLORY_WIN32_REPORT="${VELLORY_WIN32_REPORT:-}" \
    bash "$root/tests/win32/run.sh" "${args[@]}" || fail "under the Wine of $wine_root"
  exit 0
fi

stage "a private X server, window manager and Wine prefix"
for tool in "$wine" Xvfb openbox; do
  command -v "$tool" >/dev/null || fail "$tool is missing (apt-get install wine64 xvfb openbox)"
done
"$wine" --version
work=$(mktemp -d /tmp/vellory-wine.XXXXXX)
xvfb_pid="" openbox_pid=""
cleanup() {
  [[ -n "${WINEPREFIX:-}" ]] && WINEPREFIX=$WINEPREFIX "$wineserver" -k 2>/dev/null || true
  [[ -n "$openbox_pid" ]] && kill "$openbox_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work" 2>/dev/null || true  # a Wine process still ending must not fail the run
}
trap cleanup EXIT
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
[[ -s "$work/display" ]] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -1 "$work/display")"
openbox >"$work/openbox.log" 2>&1 &
openbox_pid=$!
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$wine" wineboot -i >"$work/wineboot.log" 2>&1 || fail "wineboot: $(tail -3 "$work/wineboot.log")"
echo "DISPLAY=$DISPLAY WINEPREFIX=$WINEPREFIX"

stage "unit tests under Wine"
(cd "$win_build/tests" && "$wine" ./unit_tests.exe) || fail "unit tests under Wine"
for locale in en_US.UTF-8:. de_DE.UTF-8:,; do
  (cd "$win_build/tests" && LC_ALL=${locale%%:*} VELLORY_EXPECT_DECIMAL_SEPARATOR=${locale##*:} \
     "$wine" ./unit_tests.exe --gtest_filter='DecimalSeparator.*' | tail -1) \
    || fail "decimal separator under ${locale%%:*}"
done

stage "vellory.exe under Wine on X, and the profile functions against ours"
report=()  # GoogleTest's XML report of them, for scripts/skipped-tests.py
[[ -n ${VELLORY_WIN32_REPORT:-} ]] && report=("--gtest_output=xml:$VELLORY_WIN32_REPORT")
VELLORY_WINE="$wine" "$native_build/tests/win32_tests" "${report[@]}" || fail "tests of vellory.exe under Wine"

if [[ $measure == yes ]]; then
  stage "start-to-window time and memory, Wine beside Linux"
  bash "$root/tests/win32/measure.sh" "$win_build/vellory.exe" "$native_build/vellory"
fi
stage "all Windows tests passed"

#!/usr/bin/env bash
# Start-to-window time and memory of the Windows build under Wine beside the Linux build,
# in one run on the same X server (tests/win32/run.sh --measure calls it with DISPLAY and
# WINEPREFIX set up; by hand: DISPLAY=... WINEPREFIX=... measure.sh EXE LINUX_PROGRAM).
# "Program" is the program's own process (VmRSS; Pss shares each shared page out among
# the processes that map it). Under Wine, the program's process is the wine64 process;
# "Wine helpers" are the per-prefix processes (wineserver, services.exe, explorer.exe,
# ...) that every Windows program of the prefix shares.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=$1 linux=$2
measure=${VELLORY_START_TO_WINDOW:-$(dirname "$linux")/tests/start_to_window}
runs=${VELLORY_MEASURE_RUNS:-7}
work=$(mktemp -d /tmp/vellory-measure-bin.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$exe" "$work/vellory.exe"
cp "$linux" "$work/vellory"
"$measure" vellory.exe "$runs" -- "${VELLORY_WINE:-/usr/lib/wine/wine64}" "$work/vellory.exe"
"$measure" vellory "$runs" -- "$work/vellory"

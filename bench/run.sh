#!/usr/bin/env bash
# Builds and runs every benchmark and prints one table: the in-process benchmarks
# (Google Benchmark, null backend), then the whole program on Xvfb, without a window
# manager and with openbox, at display scales 1 and 2, beside bench/whole/MinimalXlib.cpp
# doing the same per-tick work, measured in the same run; then the executables' sizes.
# Usage: bench/run.sh [--quick]
#   --quick   10 s CPU windows and no 10-minute memory reading
set -euo pipefail
cd "$(dirname "$0")/.."
quick=0
[[ "${1:-}" == "--quick" ]] && quick=1
bash scripts/setup.sh --tests
command -v xtrace >/dev/null || { sudo_=""; [[ $(id -u) -ne 0 ]] && sudo_=sudo;
  DEBIAN_FRONTEND=noninteractive $sudo_ apt-get install -y -qq xtrace >/dev/null; }

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVELLORY_TESTS=OFF -DVELLORY_BENCH=ON >/dev/null
cmake --build build-bench -j"$(nproc)" --target vellory benchmarks minimal_xlib measure_whole >/dev/null
b=build-bench

echo "### In-process ($(date -u +%F), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs))"
echo
"$b/bench/benchmarks" --benchmark_format=console --benchmark_counters_tabular=true 2>/dev/null

seconds=20; long=--long
[[ $quick == 1 ]] && { seconds=10; long=""; }

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT

# X requests and round trips per tick, counted by xtrace between the program and the
# server: a tick asks for the pointer once, so QueryPointer requests count the ticks.
requests_per_tick() {  # program display
  local log; log=$(mktemp)
  xtrace -n -d "$2" -D :97 -k -o "$log" >/dev/null 2>&1 & local tracer=$!
  sleep 0.5
  DISPLAY=:97 "$1" >/dev/null 2>&1 & local prog=$!
  sleep 1.5; local start; start=$(grep -c . "$log")
  sleep 3
  kill "$prog" 2>/dev/null; wait "$prog" 2>/dev/null || true
  kill "$tracer" 2>/dev/null; wait "$tracer" 2>/dev/null || true
  tail -n +"$start" "$log" | awk '
    /Request\(/ { requests++ } /Request\([0-9]+\): QueryPointer/ { ticks++ } /Reply to/ { replies++ }
    END { if (ticks) printf "%.2f %.2f\n", requests / ticks, replies / ticks; else print "0 0" }'
  rm -f "$log"
}

for wm in none openbox; do
  Xvfb :96 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
  sleep 1
  if [[ $wm == openbox ]]; then DISPLAY=:96 openbox >/dev/null 2>&1 & pids+=($!); sleep 1; fi
  echo
  echo "### Whole program on Xvfb, window manager: $wm"
  echo
  DISPLAY=:96 "$b/bench/measure_whole" --seconds "$seconds" $long --scales 1,2 \
    "$b/vellory" "$b/bench/minimal_xlib"
  read -r vr vt < <(requests_per_tick "$b/vellory" :96)
  read -r mr mt < <(requests_per_tick "$b/bench/minimal_xlib" :96)
  printf '| X requests per tick, scale 1 | %s | | %s | | |\n' "$vr" "$mr"
  printf '| X round trips per tick, scale 1 | %s | | %s | | |\n' "$vt" "$mt"
  cleanup; pids=(); sleep 1
done

# The executables as shipped (stripped, as cpack and cmake --install --strip leave them):
# the renderings of the picture for every usual scale are part of them.
echo
echo "### Executables (Release, stripped)"
echo
strip -o "$b/vellory.stripped" "$b/vellory"
printf '| executable | bytes |\n|---|---|\n| Linux vellory | %s |\n' "$(stat -c %s "$b/vellory.stripped")"
if command -v x86_64-w64-mingw32-g++ >/dev/null; then
  cmake -S . -B build-bench-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DVELLORY_TESTS=OFF >/dev/null
  cmake --build build-bench-win -j"$(nproc)" --target vellory >/dev/null
  x86_64-w64-mingw32-strip -o build-bench-win/vellory.stripped.exe build-bench-win/vellory.exe
  printf '| Windows vellory.exe | %s |\n' "$(stat -c %s build-bench-win/vellory.stripped.exe)"
fi

#!/usr/bin/env bash
# Builds and runs every benchmark and prints one table: the in-process benchmarks
# (Google Benchmark, null backend), then the whole program at display scales 1 and 2
# beside bench/whole/MinimalXlib.cpp (the same per-tick work every 70 ms) and xeyes
# (X.Org's, at the same 207 x 220 size), each on an Xvfb of its own, without a window
# manager and with openbox, measured in the same run; then the executables' sizes.
# Usage: bench/run.sh [--quick]
#   --quick   10 s windows (not a minute still) and no 10-minute memory reading
set -euo pipefail
cd "$(dirname "$0")/.."
quick=0
[[ "${1:-}" == "--quick" ]] && quick=1
bash scripts/setup.sh --tests

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVELLORY_TESTS=ON -DVELLORY_BENCH=ON >/dev/null
cmake --build build-bench -j"$(nproc)" --target vellory benchmarks minimal_xlib measure_whole >/dev/null
# KWin's and wlroots' pointers for the Wayland measurements (bench/wayland.sh, bench/wlroots.sh).
cmake --build build-bench -j"$(nproc)" --target kwin_mover >/dev/null 2>&1 || true
cmake --build build-bench -j"$(nproc)" --target wlr_mover >/dev/null 2>&1 || true
b=build-bench
programs=("vellory=$b/vellory" "vellory, scale 2=VELLORY_SCALE=2 $b/vellory"
          "minimal Xlib=$b/bench/minimal_xlib" "xeyes=xeyes -geometry 207x220")

echo "### In-process ($(date -u +%F), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs))"
echo
"$b/bench/benchmarks" --benchmark_format=console --benchmark_counters_tabular=true 2>/dev/null

seconds=20; still=60; long=--long
[[ $quick == 1 ]] && { seconds=10; still=10; long=""; }

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; pids=(); }
trap cleanup EXIT

# X requests a second, counted by xtrace between one program and its own server: with
# the pointer still for 10 s, then moved by XTest (60 moves a second) for 5 s.
requests_per_second() {  # command...
  local log display proxy; log=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$log.n" >/dev/null 2>&1 & pids+=($!)
  while ! grep -q . "$log.n" 2>/dev/null; do sleep 0.1; done
  display=:$(head -1 "$log.n")
  proxy=:$((${display#:} + 400))
  xtrace -n -k -d "$display" -D "$proxy" -o "$log" >/dev/null 2>&1 & pids+=($!)
  sleep 0.5
  DISPLAY=$proxy env "$@" >/dev/null 2>&1 & pids+=($!)
  sleep 3
  local settled rested moved
  settled=$(grep -c 'Request(' "$log" || true)
  sleep 10; rested=$(grep -c 'Request(' "$log" || true)
  DISPLAY=$display "$b/bench/measure_whole" --stroke 5
  moved=$(grep -c 'Request(' "$log" || true)
  cleanup; rm -f "$log" "$log.n"
  awk -v a="$settled" -v b="$rested" -v c="$moved" 'BEGIN { printf "%.1f %.1f\n", (b - a) / 10, (c - b) / 5 }'
}

for wm in none openbox; do
  echo
  echo "### Whole program, each on an Xvfb of its own, window manager: $wm"
  echo
  wmflag=""; [[ $wm == openbox ]] && wmflag=--openbox
  "$b/bench/measure_whole" $wmflag --seconds "$seconds" --still-seconds "$still" $long "${programs[@]}"
done
echo
echo "### X requests a second, counted by xtrace, no window manager"
echo
echo "| program | pointer still | pointer moving (60 moves a second) |"
echo "|---|---|---|"
for entry in "${programs[@]}"; do
  read -r still_rate moving_rate < <(requests_per_second ${entry#*=})
  echo "| ${entry%%=*} | $still_rate | $moving_rate |"
done

# The executables as shipped (stripped, as cpack and cmake --install --strip leave them):
# the picture at other display scales is painted when needed, not carried.
echo
echo "### Executables (Release, stripped)"
echo
strip -o "$b/vellory.stripped" "$b/vellory"
printf '| executable | bytes | target |\n|---|---|---|\n'
printf '| Linux vellory | %s | under 1 MiB (1048576) |\n' "$(stat -c %s "$b/vellory.stripped")"
if command -v x86_64-w64-mingw32-g++ >/dev/null; then
  cmake -S . -B build-bench-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DVELLORY_TESTS=OFF >/dev/null
  cmake --build build-bench-win -j"$(nproc)" --target vellory >/dev/null
  x86_64-w64-mingw32-strip -o build-bench-win/vellory.stripped.exe build-bench-win/vellory.exe
  printf '| Windows vellory.exe | %s | at most 5 MB |\n' "$(stat -c %s build-bench-win/vellory.stripped.exe)"
fi

# Under Wayland: headless KWin 5.27 and GNOME Shell 43 (6.3 and 48 from the Debian 13 root,
# as root), with the relay and without it, side by side in the same session.
echo
wayland_seconds=20; [[ $quick == 1 ]] && wayland_seconds=10
if [[ -x $b/tests/kwin_mover ]]; then
  VELLORY_BENCH_SECONDS=$wayland_seconds tests/wayland/kwin-session.sh -- bench/wayland.sh "$b" ||
    echo "(no KWin session here)"
  if [[ $(id -u) -eq 0 ]] && root=$(bash tests/rootfs/build.sh 2>/dev/null); then
    echo
    VELLORY_BENCH_SECONDS=$wayland_seconds tests/wayland/kwin-session.sh --root "$root" -- \
      bench/wayland.sh "$b" || echo "(no KWin 6.3 session here)"
  fi
fi
# And headless GNOME Shell 43 (48 from the Debian 13 root).
echo
VELLORY_BENCH_SECONDS=$wayland_seconds tests/wayland/gnome-session.sh -- bench/wayland.sh "$b" ||
  echo "(no GNOME Shell session here)"
if [[ $(id -u) -eq 0 ]] && root=$(bash tests/rootfs/build.sh 2>/dev/null); then
  echo
  VELLORY_BENCH_SECONDS=$wayland_seconds tests/wayland/gnome-session.sh --root "$root" -- \
    bench/wayland.sh "$b" || echo "(no GNOME Shell 48 session here)"
fi
# And headless sway from the Debian testing root (as root): the native Wayland backend
# against the X11 one on Xwayland.
echo
if [[ -x $b/tests/wlr_mover && $(id -u) -eq 0 ]] && bash tests/rootfs/build.sh forky >/dev/null 2>&1; then
  VELLORY_BENCH_SECONDS=$wayland_seconds tests/wayland/wlroots-session.sh --root forky --compositor sway -- \
    bench/wlroots.sh "$b" || echo "(no sway session here)"
else
  echo "(no sway session here: it needs root and the Debian testing root)"
fi

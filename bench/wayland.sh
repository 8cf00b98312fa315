#!/usr/bin/env bash
# The kitten under a headless KWin or GNOME Shell, pointer moving 60 times a second over a
# native window (the desktop's own input, through its mover): the program's and the
# compositor's processor time with the relay and without
# it (no session bus for the kitten: today's X11 behaviour), one after the other in the
# same session; then, with the relay, the pointer still for 10 s (relay calls and the
# program's wake-ups) and the time from a pointer move to new pixels in the kitten's
# window (bench/whole/WaylandLatency.cpp). First, the compositor's side of the relay
# alone: the compositor's time with no one owning the kitten's bus name, and with a client
# that owns it and only counts the calls (tests/wayland/relay_probe.py). Run inside a session:
#   tests/wayland/kwin-session.sh [--root ROOT] -- bench/wayland.sh BUILD
#   tests/wayland/gnome-session.sh [--root ROOT] -- bench/wayland.sh BUILD
# Prints a Markdown table.
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(cd "$(dirname "$0")" && pwd)
seconds=${VELLORY_BENCH_SECONDS:-20}
scratch=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$scratch"; }
trap cleanup EXIT

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }  # user + system, clock ticks
hz=$(getconf CLK_TCK)
desktop=${VELLORY_TEST_DESKTOP:-kwin}
# NOTE: the X11 window's relay is what is measured, also under a KWin whose old Xwayland
# has the kitten take the native surface by default (the latency reads the X window).
export VELLORY_BACKEND=${VELLORY_BACKEND:-x11}
case $desktop in
  gnome) compositor_name=org.gnome.Shell title="GNOME Shell" ;;
  *) compositor_name=org.kde.KWin title=KWin ;;
esac
mover=$build/tests/${desktop}_mover
compositor=$(dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
         org.freedesktop.DBus.GetConnectionUnixProcessID string:$compositor_name | awk '{ print $2 }')

GDK_BACKEND=wayland "$here/../tests/wayland/native-window.py" >"$scratch/native" 2>&1 & pids+=($!)
while ! grep -q shown "$scratch/native"; do sleep 0.1; done

# A stroke back and forth over the native window, 60 moves a second, for $seconds s.
stroke() {
  local n=$((seconds * 60)) i x
  for ((i = 0; i < n; i++)); do
    x=$((100 + (i % 120) * 8)); [[ $(( (i / 120) % 2 )) -eq 1 ]] && x=$((1060 - (i % 120) * 8))
    echo "$x 600"; sleep 0.0166
  done
}

# One kitten: $1 its name in the table, then its environment.
measure() {
  local name=$1; shift
  mkdir -p "$scratch/$name"; cp "$build/vellory" "$scratch/$name/"
  env "$@" "$scratch/$name/vellory" 2>"$scratch/$name/errors" & local pid=$!; pids+=($pid)
  sleep 2
  local p0 k0 p1 k1
  p0=$(ticks "$pid"); k0=$(ticks "$compositor")
  stroke | "$mover" >/dev/null
  p1=$(ticks "$pid"); k1=$(ticks "$compositor")
  echo "| $name | $(( (p1 - p0) * 1000 / hz )) ms | $(( (k1 - k0) * 1000 / hz )) ms |"
  if [[ $name == "with the relay" ]]; then
    at_rest "$pid"
    latency=$("$build/bench/wayland_latency" "$mover" "${VELLORY_LATENCY_MOVES:-40}")
  fi
  kill "$pid"; wait "$pid" 2>/dev/null || true
}

# The pointer still for 10 s: calls the relay took, the program's voluntary wake-ups.
at_rest() {
  sleep 2
  dbus-monitor --session "interface='org.vellory.PointerRelay'" >"$scratch/calls" 2>&1 & local monitor=$!
  sleep 0.5
  local w0 w1
  w0=$(awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$1/status")
  sleep 10
  w1=$(awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$1/status")
  kill "$monitor"
  rest="at rest 10 s, with the relay: $(grep -c 'member=Pointer' "$scratch/calls" || true) relay calls, $((w1 - w0)) wake-ups"
}

# The compositor's time for one stroke: $1 its name in the table; a second argument runs
# the relay counter meanwhile.
alone() {
  local k0 k1 calls=-
  if [[ $# -gt 1 ]]; then
    mkfifo "$scratch/counter-in"
    : >"$scratch/counted"
    "$here/../tests/wayland/relay_probe.py" <"$scratch/counter-in" >"$scratch/counted" & local counter=$!
    exec {hold}>"$scratch/counter-in"
    while ! grep -q ready "$scratch/counted"; do sleep 0.1; done
    sleep 1
  fi
  k0=$(ticks "$compositor")
  stroke | "$mover" >/dev/null
  k1=$(ticks "$compositor")
  if [[ $# -gt 1 ]]; then
    exec {hold}>&-
    wait "$counter"
    calls=$(awk '/Pointer calls/ { print $1 }' "$scratch/counted")
    rm -f "$scratch/counter-in"
  fi
  echo "| $1 | $(( (k1 - k0) * 1000 / hz )) ms | $calls |"
}

echo "### $title $("/proc/$compositor/exe" --version 2>/dev/null | awk '{ print $NF }'), pointer over a native window, 60 moves a second for $seconds s"
echo
echo "| the compositor's side of the relay alone | $title's processor time | Pointer calls |"
echo "|---|---|---|"
alone "no one owns the kitten's name"
alone "a client that only counts the calls" counter
alone "no one owns the kitten's name, again"
echo
echo "| kitten | its processor time | $title's processor time |"
echo "|---|---|---|"
rest="" latency=""
measure "with the relay"
measure "without the relay" DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent XDG_RUNTIME_DIR="$scratch"
echo
echo "$rest"
echo
echo "with the relay, $latency"

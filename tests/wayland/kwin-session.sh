#!/usr/bin/env bash
# A headless KWin session with Xwayland for the tests:
#   tests/wayland/kwin-session.sh [--root ROOT] -- CMD...
# runs CMD inside it with WAYLAND_DISPLAY, DISPLAY, XAUTHORITY, DBUS_SESSION_BUS_ADDRESS,
# XDG_RUNTIME_DIR and VELLORY_TEST_DESKTOP=kwin set, ends everything after, and exits
# with CMD's status (77 when KWin cannot run here). Software rendering (KWIN_COMPOSE=Q),
# one 1280x800 virtual output, a private bus and runtime folder, and an Xwayland display
# of its own among :40-:59. --root ROOT: the same inside a Debian root file system
# (tests/rootfs/enter.sh), for newer KWin releases.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

root=""
if [[ "${1:-}" == "--root" ]]; then root=$2; shift 2; fi
[[ "${1:-}" == "--" ]] && shift
[[ $# -gt 0 ]] || { echo "usage: $0 [--root ROOT] -- CMD..." >&2; exit 2; }

if [[ -n "$root" ]]; then
  enter="$here/../rootfs/enter.sh"
  [[ -x "$enter" ]] || { echo "kwin-session: no $enter" >&2; exit 77; }
  # Inside, this same script runs against the root's KWin, in the same folder; the
  # sources and the build (inside them) are bound at the same places.
  sources=$(cd "$here/../.." && pwd)
  binds=(--bind "$sources")
  [[ "$PWD" == "$sources"* ]] || binds+=(--bind "$PWD")
  inner=$(printf 'cd %q && exec %q --' "$PWD" "$here/kwin-session.sh"; printf ' %q' "$@")
  exec "$enter" "$root" "${binds[@]}" -- bash -c "$inner"
fi

kwin=$(command -v kwin_wayland || true)
[[ -n "$kwin" ]] || { echo "kwin-session: kwin_wayland is not installed" >&2; exit 77; }
python=/usr/bin/python3
[[ -x "$python" ]] || { echo "kwin-session: $python is needed" >&2; exit 77; }

scratch=$(mktemp -d /tmp/vellory-kwin.XXXXXX)
chmod 700 "$scratch"
runtime="$scratch/runtime"
mkdir -m 700 "$runtime"
display=""
kwin_pid=""
cleanup() {
  [[ -n "$kwin_pid" ]] && kill -TERM -- "-$kwin_pid" 2>/dev/null || true
  [[ -n "$kwin_pid" ]] && wait "$kwin_pid" 2>/dev/null || true
  if [[ -n "$display" ]]; then rm -f "/tmp/.X11-unix/X$display" "/tmp/.X$display-lock"; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# NOTE: Debian's kwin_wayland carries the file capability cap_sys_resource, which a
# container may refuse to grant ("Operation not permitted"): a copy carries none. Its
# name must stay kwin_wayland: KWin's own Qt platform plugin loads only in a program of
# that name.
if ! "$kwin" --version >/dev/null 2>&1; then
  mkdir "$scratch/bin"
  cp "$kwin" "$scratch/bin/kwin_wayland"
  kwin="$scratch/bin/kwin_wayland"
fi

# An Xwayland display of our own: the lock file claims the number.
mkdir -p /tmp/.X11-unix
for n in $(seq 40 59); do
  if (set -o noclobber; printf '%10d\n' $$ >"/tmp/.X$n-lock") 2>/dev/null; then
    rm -f "/tmp/.X11-unix/X$n"
    display=$n
    break
  fi
done
[[ -n "$display" ]] || { echo "kwin-session: no free display in :40-:59" >&2; exit 1; }

socket="vellory-kwin-$display"
status_file="$scratch/status"
# The command, run by KWin once Xwayland is up; its output goes to this script's own.
{
  echo "exec >>/proc/$$/fd/1 2>>/proc/$$/fd/2"
  echo "export VELLORY_TEST_DESKTOP=kwin XDG_RUNTIME_DIR=$runtime"
  printf 'cd %q\n' "$PWD"
  printf '%q ' "$@"
  echo
  echo "echo \$? >$status_file"
} >"$scratch/inner.sh"

# NOTE: KWin is handed listening sockets for the display (the file one and the abstract
# one, as an X server makes them); it starts Xwayland on them.
KWIN_COMPOSE=Q KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 XDG_RUNTIME_DIR="$runtime" \
  setsid "$python" - "$display" dbus-run-session -- "$kwin" \
  --virtual --xwayland --socket "$socket" --width 1280 --height 800 \
  --exit-with-session "bash $scratch/inner.sh" >"$scratch/kwin.log" 2>&1 <<'PYTHON' &
import os, socket, sys
display = sys.argv[1]
path = "/tmp/.X11-unix/X" + display
fds = []
for address in (path, "\0" + path):
    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    s.bind(address)
    s.listen(64)
    os.set_inheritable(s.fileno(), True)
    fds.append(s.detach())
command = sys.argv[2:]
extra = []
for fd in fds:
    extra += ["--xwayland-fd", str(fd)]
extra += ["--xwayland-display", ":" + display]
at = command.index("--virtual")
os.execvp(command[0], command[:at] + extra + command[at:])
PYTHON
kwin_pid=$!
wait "$kwin_pid" || true
kwin_pid=""
if [[ ! -s "$status_file" ]]; then
  echo "kwin-session: the command did not run to its end; KWin said:" >&2
  tail -20 "$scratch/kwin.log" >&2
  exit 1
fi
exit "$(cat "$status_file")"

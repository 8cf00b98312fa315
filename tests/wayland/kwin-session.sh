#!/usr/bin/env bash
# A headless KWin session with Xwayland for the tests:
#   tests/wayland/kwin-session.sh [--root ROOT] [--scale S]... -- CMD...
# runs CMD inside it with WAYLAND_DISPLAY, DISPLAY, XAUTHORITY, DBUS_SESSION_BUS_ADDRESS,
# XDG_RUNTIME_DIR, XDG_CONFIG_HOME and VELLORY_TEST_DESKTOP=kwin set, ends everything
# after, and exits with CMD's status (77 when KWin cannot run here). OpenGL compositing
# where KWin can (KWIN_COMPOSE=O2; Mesa's software renderer), one 1280x800 virtual output,
# a private bus, runtime and configuration folder, and an Xwayland display of its own
# among :40-:59; started as root, it runs as the account vellory-kde. --root ROOT: the
# same inside a Debian root file system (tests/rootfs/enter.sh), for newer KWin releases.
# --scale S, once for each output: outputs side by side (Virtual-0 the primary, left),
# each 1280 S x 800 S device pixels with the first's S, so that the first is 1280 x 800
# logical pixels; X11 programs scale themselves (KWin 6's default), with Xft.dpi set to
# 96 x the largest S as Plasma sets it. CMD also sees VELLORY_TEST_SCALES (the S given).
# KWin 5 takes one scale for all outputs (its --scale; other sets: 77), and no Xft.dpi is set.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

root=""
scales=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --root) root=$2; shift 2 ;;
    --scale)
      [[ ${2:-} =~ ^[1-9]([.][0-9]+)?$ ]] || { echo "kwin-session: --scale ${2:-}: a number from 1" >&2; exit 2; }
      scales+=("$2")
      shift 2
      ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[[ $# -gt 0 ]] || { echo "usage: $0 [--root ROOT] [--scale S]... -- CMD..." >&2; exit 2; }
options=()
for scale in "${scales[@]}"; do options+=(--scale "$scale"); done

if [[ -n "$root" ]]; then
  enter="$here/../rootfs/enter.sh"
  [[ -x "$enter" ]] || { echo "kwin-session: no $enter" >&2; exit 77; }
  # Inside, this same script runs against the root's KWin, in the same folder; the
  # sources and the build (inside them) are bound at the same places.
  sources=$(cd "$here/../.." && pwd)
  binds=(--bind "$sources")
  [[ "$PWD" == "$sources"* ]] || binds+=(--bind "$PWD")
  inner=$(printf 'cd %q && exec %q' "$PWD" "$here/kwin-session.sh"; printf ' %q' "${options[@]}" -- "$@")
  exec "$enter" "$root" "${binds[@]}" -- bash -c "$inner"
fi

# NOTE: root hides permission faults: as root, the session runs as an ordinary account
# (made if missing), so whatever it runs must be readable by everyone.
if [[ $(id -u) -eq 0 ]]; then
  # NOTE: made by the account below, the folder would belong to it, and mutter refuses to
  # start Xwayland with a /tmp/.X11-unix that root does not own (gnome-session.sh).
  mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix
  account=vellory-kde
  id "$account" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$account"
  home=$(mktemp -d /tmp/vellory-kde-home.XXXXXX)
  chown "$account:" "$home"
  status=0
  HOME=$home setpriv --reuid="$account" --regid="$account" --init-groups "$here/kwin-session.sh" \
    "${options[@]}" -- "$@" ||
    status=$?
  rm -rf "$home"
  exit "$status"
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
cat_pids=()
cleanup() {
  [[ ${#cat_pids[@]} -gt 0 ]] && kill "${cat_pids[@]}" 2>/dev/null || true
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

# KWin's own settings in a folder of the session's: KWin writes its outputs' settings there.
config="$scratch/config"
mkdir "$config"
width=1280 height=800
major=$("$kwin" --version 2>/dev/null | sed -n 's/^kwin \([0-9]*\)\..*/\1/p')
kwin5_scale=()
if [[ ${#scales[@]} -gt 0 && ${major:-0} -lt 6 ]]; then
  # NOTE: KWin 5 takes one scale for all its virtual outputs, and their logical size.
  [[ $(printf '%s\n' "${scales[@]}" | sort -u | wc -l) -eq 1 ]] ||
    { echo "kwin-session: KWin $major takes one scale for every output"; exit 77; }
  kwin5_scale=(--scale "${scales[0]}")
elif [[ ${#scales[@]} -gt 0 ]]; then
  "$python" - "$config/kwinoutputconfig.json" "${scales[@]}" <<'PYTHON'
import json, sys
path, scales = sys.argv[1], [float(s) for s in sys.argv[2:]]
width, height = round(1280 * scales[0]), round(800 * scales[0])
outputs, places, x = [], [], 0
for index, scale in enumerate(scales):
    # NOTE: virtual outputs have no EDID: KWin tells them apart by their connector's name.
    outputs.append({"edidIdentifier": "", "connectorName": f"Virtual-{index}", "scale": scale,
                    "mode": {"width": width, "height": height, "refreshRate": 60000}})
    places.append({"enabled": True, "outputIndex": index, "priority": index,
                   "position": {"x": x, "y": 0}})
    x += round(width / scale)
json.dump([{"name": "outputs", "data": outputs},
           {"name": "setups", "data": [{"lidClosed": False, "outputs": places}]}],
          open(path, "w"), indent=1)
PYTHON
  # NOTE: KWin 6 holds the pointer at the edge between two outputs for a push of 100 more
  # pixels (its edge barrier); the mover's jumps across it would stop at the edge.
  printf '[EdgeBarrier]\nEdgeBarrier=0\nCornerBarrier=false\n' >"$config/kwinrc"
  width=$(awk -v s="${scales[0]}" 'BEGIN { printf "%d", 1280 * s + 0.5 }')
  height=$(awk -v s="${scales[0]}" 'BEGIN { printf "%d", 800 * s + 0.5 }')
  dpi=$(printf '%s\n' "${scales[@]}" | awk '$1 > m { m = $1 } END { printf "%d", 96 * m + 0.5 }')
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
# The command, run by KWin once Xwayland is up; its output comes to this script's own
# through two pipes (KWin keeps its children's output to itself).
mkfifo -m 600 "$scratch/stdout" "$scratch/stderr"
cat "$scratch/stdout" & cat_pids=($!)
cat "$scratch/stderr" >&2 & cat_pids+=($!)
{
  echo "exec >$scratch/stdout 2>$scratch/stderr"
  echo "export VELLORY_TEST_DESKTOP=kwin XDG_RUNTIME_DIR=$runtime VELLORY_TEST_SCALES='${scales[*]}'"
  # NOTE: Plasma, not KWin, sets Xft.dpi (xrdb -merge at login and on a scale change): the
  # same RESOURCE_MANAGER property, through xprop (x11-utils, which every root carries).
  if [[ -n "${dpi:-}" ]]; then
    printf 'xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER %q\n' "Xft.dpi:	$dpi"
  fi
  printf 'cd %q\n' "$PWD"
  printf '%q ' "$@"
  echo
  echo "echo \$? >$status_file"
} >"$scratch/inner.sh"

# NOTE: KWin takes screen shots (org.kde.KWin.ScreenShot2, tests/wayland/kwin-shot.py) only
# when it composites with OpenGL, and answers only callers that Plasma names unless told
# not to check (KWIN_WAYLAND_NO_PERMISSION_CHECKS is for its Wayland interfaces alone).
# KWin 6's virtual outputs composite with OpenGL only on a DRM render node; without one
# KWin falls back to QPainter and shots fail.
# NOTE: KWin is handed listening sockets for the display (the file one and the abstract
# one, as an X server makes them); it starts Xwayland on them.
KWIN_COMPOSE=O2 KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 \
  XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$config" \
  setsid "$python" - "$display" dbus-run-session -- "$kwin" \
  --virtual --xwayland "${kwin5_scale[@]}" --socket "$socket" --width "$width" --height "$height" \
  --output-count "$((${#scales[@]} > 0 ? ${#scales[@]} : 1))" \
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
# NOTE: a command that never started leaves the readers waiting for a writer.
[[ -s "$status_file" ]] && wait "${cat_pids[@]}" 2>/dev/null
kill "${cat_pids[@]}" 2>/dev/null || true
if [[ ! -s "$status_file" ]]; then
  echo "kwin-session: the command did not run to its end; KWin said:" >&2
  tail -20 "$scratch/kwin.log" >&2
  exit 1
fi
exit "$(cat "$status_file")"

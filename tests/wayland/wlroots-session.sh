#!/usr/bin/env bash
# A headless wlroots compositor (sway, labwc or wayfire) with Xwayland for the tests:
#   tests/wayland/wlroots-session.sh [--compositor sway|labwc|wayfire] [--scale S [--scale S2]]
#                                    [--outputs 1|2] [--root ROOT|trixie|forky|sid] -- CMD...
# runs CMD inside it and exits with CMD's status (77, with one line saying why, when the
# root or the compositor cannot run here). Software rendering (pixman), no input device
# (the tests' virtual pointer is the seat's only one), Xwayland started at once.
# The layout: outputs of 1280x720 logical pixels side by side, the first at (0, 0) drawn
# at scale S (swaymsg; wlr-randr under labwc and wayfire, whose settings are files),
# the second to its right at scale S2 (1 unless a second --scale gives it). CMD sees
# WAYLAND_DISPLAY, DISPLAY, XDG_RUNTIME_DIR, HOME (and SWAYSOCK) with
# VELLORY_TEST_DESKTOP=sway|labwc|wayfire, VELLORY_TEST_SCALE=S, VELLORY_TEST_SCALE2=S2,
# VELLORY_TEST_OUTPUTS, and VELLORY_TEST_CURSOR_SESSIONS=1 or 0: whether the compositor
# offers cursor sessions.
# Started as root it runs everything as the account vellory-wlr, so whatever CMD runs
# must be readable by everyone. --root: inside a Debian root file system
# (tests/rootfs/enter.sh); "trixie", "forky" or "sid" for the Debian 13, testing or
# unstable one that tests/rootfs/build.sh makes (sway 1.10 and labwc 0.8; sway 1.12 and
# labwc 0.20; wayfire 0.10).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source=$(cd "$here/../.." && pwd)
Account=vellory-wlr
Width=1280 Height=720

Fail() {
  echo "wlroots-session: $*" >&2
  exit 125
}
Skip() {
  echo "SKIP: $*"
  exit 77
}

stage=outside compositor=sway scale="" scale2=1 outputs=1 root=""
while [[ $# -gt 0 ]]; do
  case $1 in
    --compositor) compositor=$2; shift 2 ;;
    --scale) if [[ -z $scale ]]; then scale=$2; else scale2=$2; fi; shift 2 ;;
    --outputs) outputs=$2; shift 2 ;;
    --root) root=$2; shift 2 ;;
    --stage) stage=$2; shift 2 ;;
    --) shift; break ;;
    *) Fail "unknown option $1 (usage: wlroots-session.sh [--compositor sway|labwc|wayfire] [--scale S] [--outputs 1|2] [--root ROOT|forky|sid] -- CMD...)" ;;
  esac
done
[[ $# -gt 0 ]] || Fail "no command given"
[[ $compositor =~ ^(sway|labwc|wayfire)$ ]] || Fail "--compositor $compositor: sway, labwc or wayfire"
[[ $outputs =~ ^[12]$ ]] || Fail "--outputs $outputs: 1 or 2"
scale=${scale:-1}
for s in "$scale" "$scale2"; do
  [[ $s =~ ^[0-9]+(\.[0-9]+)?$ ]] || Fail "--scale $s: a number such as 2 or 1.5"
done
options=(--compositor "$compositor" --scale "$scale" --scale "$scale2" --outputs "$outputs")

case $stage in
outside)
  if [[ -n $root ]]; then
    [[ $(id -u) -eq 0 ]] || Skip "a root file system needs root (namespaces, chroot)"
    if [[ $root == trixie || $root == forky || $root == sid ]]; then
      log=$(mktemp)
      suite=$root
      root=$(bash "$source/tests/rootfs/build.sh" "$suite" 2>"$log") ||
        { reason=$(grep -m1 '^E: ' "$log" || tail -n1 "$log"); rm -f "$log"; Skip "no Debian $suite root: ${reason:-build.sh failed}"; }
      rm -f "$log"
    fi
    # The same script inside the root, with this tree and the caller's folder at their paths.
    exec "$source/tests/rootfs/enter.sh" "$root" --bind "$source" --bind "$PWD" \
      -- bash -c 'cd "$1" && shift && exec "$@"' - "$PWD" bash "$here/wlroots-session.sh" "${options[@]}" -- "$@"
  fi
  command -v "$compositor" >/dev/null || Skip "$compositor is not installed (try --root forky)"
  command -v Xwayland >/dev/null || Skip "Xwayland is not installed"
  if [[ $(id -u) -eq 0 ]]; then
    # NOTE: root hides permission faults: the session runs as an ordinary account.
    id "$Account" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$Account"
    mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix
    home=$(mktemp -d /tmp/vellory-wlr-home.XXXXXX)
    chown "$Account:" "$home"
    status=0
    setpriv --reuid="$Account" --regid="$Account" --init-groups \
      env HOME="$home" USER="$Account" LOGNAME="$Account" \
      bash "$0" --stage session "${options[@]}" -- "$@" || status=$?
    rm -rf "$home"
    exit $status
  fi
  exec bash "$0" --stage session "${options[@]}" -- "$@"
  ;;

session)
  work=$(mktemp -d /tmp/vellory-wlr.XXXXXX)
  chmod 700 "$work"
  runtime=$work/runtime
  mkdir -m 700 "$runtime"
  log=$work/$compositor.log
  pid=""
  Stop() {
    if [[ -n $pid ]]; then
      kill -TERM -- "-$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      kill -KILL -- "-$pid" 2>/dev/null || true  # Xwayland, when it outlived its compositor
    fi
    rm -rf "$work"
  }
  trap Stop EXIT
  unset DISPLAY WAYLAND_DISPLAY SWAYSOCK XAUTHORITY
  export XDG_RUNTIME_DIR=$runtime WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1
  # The compositor tells its environment (sockets, display) through a command it runs.
  if [[ $compositor == sway ]]; then
    cat >"$work/config" <<EOF
xwayland force
focus_follows_mouse no
output HEADLESS-1 mode ${Width}x${Height} position 0 0 scale 1
exec env > $work/env.part && mv $work/env.part $work/env
EOF
    WLR_HEADLESS_OUTPUTS=1 setsid sway -c "$work/config" >"$log" 2>&1 &
  elif [[ $compositor == wayfire ]]; then
    cat >"$work/wayfire.ini" <<EOF
[core]
plugins = autostart
xwayland = true
[autostart]
autostart_wf_shell = false
environment = sh -c 'env > $work/env.part && mv $work/env.part $work/env'
EOF
    WLR_HEADLESS_OUTPUTS=$outputs setsid wayfire -c "$work/wayfire.ini" >"$log" 2>&1 &
  else
    mkdir "$work/labwc"
    # NOTE: labwc starts Xwayland on the first X client unless told to keep it running.
    cat >"$work/labwc/rc.xml" <<EOF
<?xml version="1.0"?>
<labwc_config><core><xwaylandPersistence>yes</xwaylandPersistence></core></labwc_config>
EOF
    WLR_HEADLESS_OUTPUTS=$outputs setsid labwc -C "$work/labwc" \
      -s "sh -c 'env > $work/env.part && mv $work/env.part $work/env'" >"$log" 2>&1 &
  fi
  pid=$!
  Value() { sed -n "s/^$1=//p" "$work/env" | head -1; }
  for _ in $(seq 150); do
    [[ -s $work/env ]] && break
    kill -0 "$pid" 2>/dev/null || Skip "$compositor cannot run here: $(grep -v '^$' "$log" | tail -1)"
    sleep 0.1
  done
  [[ -s $work/env ]] || Fail "$compositor did not start in 15 s: $(tail -3 "$log")"
  WAYLAND_DISPLAY=$(Value WAYLAND_DISPLAY) DISPLAY=$(Value DISPLAY)
  [[ -n $WAYLAND_DISPLAY && -n $DISPLAY ]] || Fail "$compositor gave no WAYLAND_DISPLAY or DISPLAY: $(cat "$work/env")"
  export WAYLAND_DISPLAY DISPLAY
  for _ in $(seq 100); do
    [[ -S /tmp/.X11-unix/X${DISPLAY#:} ]] && break
    sleep 0.1
  done
  [[ -S /tmp/.X11-unix/X${DISPLAY#:} ]] || Fail "no Xwayland socket for $DISPLAY"

  device() { awk -v n="$1" -v s="${2:-$scale}" 'BEGIN { printf "%d", n * s + 0.5 }'; }
  expected="HEADLESS-1:0,0,${Width}x${Height}@$scale"
  [[ $outputs == 2 ]] && expected+=" HEADLESS-2:$Width,0,${Width}x${Height}@$scale2"
  if [[ $compositor == sway ]]; then
    SWAYSOCK=$(Value SWAYSOCK)
    export SWAYSOCK
    Sway() { swaymsg -q "$@" || Fail "swaymsg $* failed"; }
    if [[ $scale != 1 ]]; then
      Sway output HEADLESS-1 mode "$(device $Width)x$(device $Height)" scale "$scale"
    fi
    if [[ $outputs == 2 ]]; then
      Sway create_output
      Sway output HEADLESS-2 mode "$(device $Width "$scale2")x$(device $Height "$scale2")" position "$Width" 0 scale "$scale2"
    fi
    # The layout must be what the tests take it to be.
    layout=$(swaymsg -t get_outputs -r | python3 -c '
import json, sys
print(" ".join("%s:%d,%d,%dx%d@%g" % (o["name"], o["rect"]["x"], o["rect"]["y"], o["rect"]["width"],
               o["rect"]["height"], o["scale"]) for o in json.load(sys.stdin)))')
  else
    # NOTE: labwc may put the first output to the right of the second, and lays out an
    # output anew when its scale changes: both places are set (wayfire's likewise).
    Randr() { wlr-randr "$@" >/dev/null || Fail "wlr-randr $* failed"; }
    if [[ $scale != 1 || $outputs == 2 ]]; then
      command -v wlr-randr >/dev/null || Skip "--scale and --outputs under $compositor need wlr-randr (try --root forky)"
      first=(--pos 0,0)
      [[ $scale == 1 ]] || first+=(--custom-mode "$(device $Width)x$(device $Height)" --scale "$scale")
      Randr --output HEADLESS-1 "${first[@]}"
      second=(--pos "$Width,0")
      [[ $scale2 == 1 ]] || second+=(--custom-mode "$(device $Width "$scale2")x$(device $Height "$scale2")" --scale "$scale2")
      if [[ $outputs == 2 ]]; then Randr --output HEADLESS-2 "${second[@]}"; fi
    fi
    layout=""
    if command -v wlr-randr >/dev/null; then
      layout=$(wlr-randr --json | python3 -c '
import json, sys
def size(o):
    mode = next(m for m in o["modes"] if m["current"])
    return "%dx%d" % (round(mode["width"] / o["scale"]), round(mode["height"] / o["scale"]))
print(" ".join("%s:%d,%d,%s@%g" % (o["name"], o["position"]["x"], o["position"]["y"], size(o),
               o["scale"]) for o in sorted(json.load(sys.stdin), key=lambda o: o["name"])))')
    else
      # The whole layout's picture gives its size, without scales.
      grim -t ppm "$work/layout.ppm" || Fail "grim cannot take the screen"
      size=$(head -c 20 "$work/layout.ppm" | sed -n 2p)
      [[ $size == "$((Width * outputs)) $Height" ]] && layout=$expected
    fi
  fi
  [[ $layout == "$expected" ]] || Fail "the layout is ${layout:-not as wanted}, not $expected"

  # Whether the compositor offers cursor sessions (wlroots 0.19 and later): its globals,
  # read over the Wayland socket itself (wl_display.get_registry, then a sync).
  sessions=$(python3 - "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" <<'EOF'
import socket, struct, sys
s = socket.socket(socket.AF_UNIX)
s.connect(sys.argv[1])
s.sendall(struct.pack("<IIIIII", 1, 12 << 16 | 1, 2, 1, 12 << 16 | 0, 3))
data, names = b"", set()
while True:
    chunk = s.recv(65536)
    if not chunk: break
    data += chunk
    while len(data) >= 8:
        sender, header = struct.unpack_from("<II", data)
        size = header >> 16
        if len(data) < size: break
        if sender == 2 and header & 0xffff == 0:
            length = struct.unpack_from("<I", data, 12)[0]
            names.add(data[16:16 + length - 1].decode())
        if sender == 3: print(int("ext_image_copy_capture_manager_v1" in names)); sys.exit()
        data = data[size:]
EOF
  ) || Fail "cannot read the compositor's globals"
  export VELLORY_TEST_CURSOR_SESSIONS=$sessions
  export VELLORY_TEST_DESKTOP=$compositor VELLORY_TEST_SCALE=$scale VELLORY_TEST_SCALE2=$scale2 VELLORY_TEST_OUTPUTS=$outputs
  status=0
  "$@" || status=$?
  exit $status
  ;;
esac

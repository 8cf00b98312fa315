#!/usr/bin/env bash
# Runs a command inside a headless GNOME Shell with Xwayland, as an ordinary account, and
# exits with the command's status. The shell gets its own session bus, a private system
# bus and a mount namespace in which /run/systemd is hidden (no systemd runs here); its
# overview is closed and hot corners are off before the command starts.
#   gnome-session.sh [--root ROOT] [--extension enabled|installed|absent]
#                    [--extensions-from DIR] [--scale S]... -- COMMAND...
# --extension: the kitten's extension is enabled (the default), installed but off, or not
# installed at all. --extensions-from: a folder holding the extensions' <uuid> folders
# (an install's share/gnome-shell/extensions); by default they are made afresh from
# packaging/gnome-shell (make-extensions.sh).
# --root: inside the Debian root file system ROOT (tests/rootfs/enter.sh); "debian13" for
# the one tests/rootfs/build.sh makes (GNOME Shell 48).
# --scale S, once for each monitor (GNOME Shell 45 and later, with gdctl): monitors Meta-0
# (the primary), Meta-1... side by side, each 1280 S x 800 S device pixels at scale S, and
# GNOME's settings daemon for Xft.dpi; the command also sees VELLORY_TEST_SCALES (the S
# given) and a test-only extension (tests/wayland/probe) that tells where the pointer is.
# The command sees WAYLAND_DISPLAY, DISPLAY, XAUTHORITY, DBUS_SESSION_BUS_ADDRESS,
# XDG_RUNTIME_DIR, HOME and VELLORY_TEST_DESKTOP=gnome; it runs as the account
# vellory-gnome, so whatever it runs must be readable by everyone. Needs root.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source=$(cd "$here/../.." && pwd)
Account=vellory-gnome
Uuids=(eyes-relay-legacy@vellory eyes-relay@vellory)
Probe=vellory-test-probe@vellory

Fail() {
  echo "gnome-session: $*" >&2
  exit 125
}
Skip() {
  echo "SKIP: $*"
  exit 77
}

stage=outside root="" extension=enabled extensions_from=""
scales=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --root) root=$2; shift 2 ;;
    --extension) extension=$2; shift 2 ;;
    --extensions-from) extensions_from=$(cd "$2" && pwd); shift 2 ;;
    --stage) stage=$2; shift 2 ;;
    --scale)
      [[ ${2:-} =~ ^[1-9]([.][0-9]+)?$ ]] || Fail "--scale ${2:-}: a number from 1"
      scales+=("$2")
      shift 2
      ;;
    --) shift; break ;;
    *) Fail "unknown option $1 (usage: gnome-session.sh [--root ROOT] [--extension enabled|installed|absent] [--extensions-from DIR] -- COMMAND...)" ;;
  esac
done
[[ $# -gt 0 ]] || Fail "no command given"
[[ $extension =~ ^(enabled|installed|absent)$ ]] || Fail "--extension $extension: enabled, installed or absent"
options=(--extension "$extension")
binds=(--bind "$source" --bind "$PWD")
if [[ -n $extensions_from ]]; then
  options+=(--extensions-from "$extensions_from")
  binds+=(--bind "$extensions_from")
fi
for scale in "${scales[@]}"; do options+=(--scale "$scale"); done

case $stage in
outside)
  [[ $(id -u) -eq 0 ]] || Skip "gnome-session.sh needs root (an account, a mount namespace)"
  if [[ $root == debian13 ]]; then
    root=$(bash "$source/tests/rootfs/build.sh") || Skip "no Debian 13 root (tests/rootfs/build.sh failed)"
  fi
  if [[ -n $root ]]; then
    # The same script inside the root, with this tree and the caller's folder at their paths.
    exec "$source/tests/rootfs/enter.sh" "$root" "${binds[@]}" \
      -- bash -c 'cd "$1" && shift && exec "$@"' - "$PWD" bash "$here/gnome-session.sh" "${options[@]}" -- "$@"
  fi
  command -v gnome-shell >/dev/null || Skip "gnome-shell is missing (bash scripts/setup.sh --tests installs it)"
  id "$Account" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$Account"
  mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix
  # Everything started below lives in one process namespace, so all of it ends with us.
  exec unshare --mount --propagation private --pid --fork --kill-child --mount-proc \
    bash "$0" --stage namespace "${options[@]}" -- "$@"
  ;;

namespace)
  work=$(mktemp -d)
  chmod 755 "$work"
  trap 'rm -rf "$work"' EXIT
  [[ -d /run/systemd ]] && mount -t tmpfs -o mode=755 tmpfs /run/systemd
  mkdir -p "$work/home" "$work/run" "$work/data/gnome-shell/extensions"
  chmod 700 "$work/run"
  if [[ $extension != absent ]]; then
    if [[ -z $extensions_from ]]; then
      extensions_from=$work/made
      bash "$source/packaging/gnome-shell/make-extensions.sh" "$extensions_from"
    fi
    for uuid in "${Uuids[@]}"; do cp -r "$extensions_from/$uuid" "$work/data/gnome-shell/extensions/"; done
  fi
  [[ ${#scales[@]} -eq 0 ]] || cp -r "$here/probe/$Probe" "$work/data/gnome-shell/extensions/"
  chown -R "$Account:" "$work/home" "$work/run"
  # A system bus of our own: the shell asks it for logind, accounts and the like, and
  # carries on without them.
  cat >"$work/system.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_type="method_call"/><allow receive_type="*"/>
  </policy>
</busconfig>
EOF
  dbus-daemon --config-file="$work/system.conf" --nofork --nopidfile 2>/dev/null &
  for _ in $(seq 50); do [[ -S $work/system_bus_socket ]] && break; sleep 0.1; done
  status=0
  setpriv --reuid="$Account" --regid="$Account" --init-groups \
    env -u DISPLAY -u WAYLAND_DISPLAY -u XAUTHORITY -u DBUS_SESSION_BUS_ADDRESS \
    HOME="$work/home" USER="$Account" LOGNAME="$Account" XDG_RUNTIME_DIR="$work/run" \
    XDG_DATA_DIRS="$work/data:/usr/local/share:/usr/share" XDG_SESSION_TYPE=wayland \
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/system_bus_socket" \
    dbus-run-session -- bash "$0" --stage session "${options[@]}" -- "$@" 3>&2 4>&1 &>>"$work/run/bus.log" ||
    status=$?
  exit $status
  ;;

session)
  # The caller's stdout and stderr are on 4 and 3; the bus's and the shell's chatter stays
  # in $XDG_RUNTIME_DIR/bus.log and gnome-shell.log.
  exec 1>&4 2>&3 3>&- 4>&-
  log=$XDG_RUNTIME_DIR/gnome-shell.log
  Settings() { gsettings set "$@" || Fail "gsettings set $* failed"; }
  Settings org.gnome.desktop.interface enable-hot-corners false
  Settings org.gnome.desktop.screensaver lock-enabled false
  Settings org.gnome.desktop.session idle-delay 0
  Settings org.gnome.shell welcome-dialog-last-shown-version "'999'"
  Settings org.gnome.shell disable-user-extensions false
  enabled=()
  [[ $extension == enabled ]] && enabled+=("'${Uuids[0]}'" "'${Uuids[1]}'")
  [[ ${#scales[@]} -eq 0 ]] || enabled+=("'$Probe'")
  if [[ ${#enabled[@]} -gt 0 ]]; then
    Settings org.gnome.shell enabled-extensions "[$(IFS=,; echo "${enabled[*]}")]"
  fi
  monitors=(--virtual-monitor 1280x800)
  if [[ ${#scales[@]} -gt 0 ]]; then
    command -v gdctl >/dev/null || Skip "--scale needs gdctl (GNOME 48 and later)"
    monitors=()
    for scale in "${scales[@]}"; do
      monitors+=(--virtual-monitor "$(awk -v s="$scale" 'BEGIN { printf "%dx%d", 1280 * s + 0.5, 800 * s + 0.5 }')")
    done
  fi
  # NOTE: in a process group of its own: a shell ended during its start-up also ended
  # this script (status 143 instead of the failure's own).
  RUNNING_UNDER_GDM=1 setsid gnome-shell --headless --wayland --wayland-display vellory-gnome \
    "${monitors[@]}" >"$log" 2>&1 &
  shell=$!
  xsettings=""
  Stop() {
    [[ -n $xsettings ]] && kill "$xsettings" 2>/dev/null
    kill "$shell" 2>/dev/null && wait "$shell" 2>/dev/null
    true
  }
  trap Stop EXIT
  Shell() { gdbus "$@" --session --dest org.gnome.Shell --object-path /org/gnome/Shell 2>/dev/null; }
  Ready() {
    [[ $(Shell call --method org.freedesktop.DBus.Properties.Get org.gnome.Shell OverviewActive) ]] &&
      [[ -n $(XwaylandDisplay) ]]
  }
  # The Xwayland that this shell started, by its display argument.
  XwaylandDisplay() {
    ps -o args= --ppid "$shell" | sed -n 's|^\S*Xwayland \(:[0-9]*\) .*|\1|p'
  }
  for _ in $(seq 300); do
    Ready && break
    kill -0 "$shell" 2>/dev/null || Fail "gnome-shell ended: $(tail -5 "$log")"
    sleep 0.1
  done
  Ready || Fail "gnome-shell was not ready in 30 s: $(tail -5 "$log")"
  export WAYLAND_DISPLAY=vellory-gnome DISPLAY=$(XwaylandDisplay) VELLORY_TEST_DESKTOP=gnome
  XAUTHORITY=$(ls -t "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -1)
  export XAUTHORITY
  dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XAUTHORITY
  # The command meets a settled desktop: the shell's start-up over (it logs "GNOME Shell
  # started"), and the overview, which it opens at start, closed; X11 windows get no
  # pointer while the overview is open.
  for _ in $(seq 300); do
    grep -q "GNOME Shell started" "$log" && break
    sleep 0.1
  done
  grep -q "GNOME Shell started" "$log" || Fail "gnome-shell did not finish starting in 30 s: $(tail -5 "$log")"
  if [[ ${#scales[@]} -gt 0 ]]; then
    # The monitors' scales and places, as the display settings set them.
    layout=(-L -M Meta-0 --primary --scale "${scales[0]}")
    for ((i = 1; i < ${#scales[@]}; i++)); do
      layout+=(-L -M "Meta-$i" --scale "${scales[i]}" --right-of "Meta-$((i - 1))")
    done
    gdctl set "${layout[@]}" >>"$log" 2>&1 || Fail "gdctl set ${layout[*]} failed: $(tail -3 "$log")"
    # NOTE: as in a GNOME session, Xft.dpi comes from the settings daemon's XSETTINGS
    # plug-in; X11 programs read it at start, so the command starts once it is there.
    /usr/libexec/gsd-xsettings >>"$XDG_RUNTIME_DIR/gsd-xsettings.log" 2>&1 &
    xsettings=$!
    for _ in $(seq 100); do
      xprop -root RESOURCE_MANAGER 2>/dev/null | grep -q 'Xft.dpi' && break
      sleep 0.1
    done
    xprop -root RESOURCE_MANAGER 2>/dev/null | grep -q 'Xft.dpi' ||
      Fail "gsd-xsettings set no Xft.dpi in 10 s: $(tail -3 "$XDG_RUNTIME_DIR/gsd-xsettings.log")"
    export VELLORY_TEST_SCALES="${scales[*]}"
  fi
  closed=0
  for _ in $(seq 100); do
    Shell call --method org.freedesktop.DBus.Properties.Set org.gnome.Shell OverviewActive '<false>' >/dev/null
    sleep 0.1
    if [[ $(Shell call --method org.freedesktop.DBus.Properties.Get org.gnome.Shell OverviewActive) == "(<false>,)" ]]; then
      closed=$((closed + 1))
      [[ $closed -ge 5 ]] && break
    else
      closed=0
    fi
  done
  [[ $closed -ge 5 ]] || Fail "the overview does not stay closed"
  status=0
  "$@" || status=$?
  exit $status
  ;;
esac

#!/usr/bin/env bash
# Installs, from Debian's packages, what building and testing vellory needs and this
# machine lacks. Quiet when everything is there already.
set -euo pipefail

packages=(g++ cmake make pkg-config libx11-dev libxext-dev libxrandr-dev libxi-dev libxtst-dev libxdamage-dev
          libgtest-dev libbenchmark-dev zlib1g-dev
          libdbus-1-dev
          # the native Wayland backend: libwayland-client, wayland-scanner, the protocols
          libwayland-dev libwayland-bin wayland-protocols)
if [[ "${1:-}" == "--tests" ]]; then
  # Window managers of the X11 tests: openbox, i3, xfwm4 (with its settings daemon on a
  # session bus), metacity, fvwm and kwin_x11; xcompmgr, a compositing manager.
  # mmdebstrap and zstd: the Debian 13 root file system of the package's test and the
  # Wayland tests (tests/rootfs).
  packages+=(xvfb openbox i3-wm xfwm4 xfconf dbus-daemon metacity fvwm kwin-x11 xcompmgr
             xdotool xtrace x11-apps x11-utils x11-xserver-utils imagemagick valgrind clang clang-tidy
             libclang-rt-14-dev g++-mingw-w64-x86-64 wine64 procps
             desktop-file-utils lintian dpkg-dev file man-db
             mmdebstrap zstd
             # Wayland: headless KWin with Xwayland, its fake-input protocol, wayland-scanner for
             # it and the wlroots mover's protocols, a GTK 4 window
             kwin-wayland xwayland libwayland-dev libwayland-bin plasma-wayland-protocols dbus-bin
             python3-gi gir1.2-gtk-4.0
             # and headless GNOME Shell, its settings store, its pointer mover (D-Bus)
             gnome-shell mutter dconf-service util-linux python3-dbus)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

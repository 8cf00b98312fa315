#!/usr/bin/env bash
# Installs, from Debian's packages, what building and testing vellory needs and this
# machine lacks. Quiet when everything is there already. Works on Debian 12, 13 and
# testing alike: no package is named after one release's version of it (the sanitizers'
# and fuzzers' runtime is that of the clang installed), and a test tool that this release
# does not carry is left out, saying so (the tests that need it say what is missing).
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
  # Wayland tests (tests/rootfs); python3 lists the tests that skipped; ccache keeps the
  # compiler's work between runs (scripts/test.sh).
  extras=(xvfb openbox i3-wm xfwm4 xfconf dbus-daemon metacity fvwm kwin-x11 xcompmgr
             xdotool xtrace x11-apps x11-utils x11-xserver-utils imagemagick valgrind clang clang-tidy
             g++-mingw-w64-x86-64 wine64 procps locales
             desktop-file-utils lintian dpkg-dev file man-db
             mmdebstrap zstd python3 git iproute2 ccache
             # Wayland: headless KWin with Xwayland, its fake-input protocol, wayland-scanner for
             # it and the wlroots mover's protocols, a GTK 4 window
             kwin-wayland xwayland libwayland-dev libwayland-bin plasma-wayland-protocols dbus-bin
             python3-gi gir1.2-gtk-4.0
             # and headless GNOME Shell, its settings store, its pointer mover (D-Bus)
             gnome-shell mutter dconf-service util-linux python3-dbus)
fi

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
updated=false
Install() {  # --optional or --required, then packages: installs those not installed yet
  local kind=$1 p missing=() present=()
  shift
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  if ! $updated; then
    $sudo apt-get update -qq
    updated=true
  fi
  if [[ $kind == --optional ]]; then
    # NOTE: apt-cache's answer is read whole: a grep -q that stops at the first match
    # would end apt-cache with SIGPIPE, which pipefail takes for "not in this release".
    local policy candidate='Candidate: [^(]'
    for p in "${missing[@]}"; do
      policy=$(apt-cache policy "$p" 2>/dev/null || true)
      if [[ $policy =~ $candidate ]]; then
        present+=("$p")
      else
        echo "Not in this release, left out: $p"
      fi
    done
    missing=("${present[@]}")
    [[ ${#missing[@]} -eq 0 ]] && return 0
  fi
  echo "Installing: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

Install --required "${packages[@]}"
if [[ "${1:-}" == "--tests" ]]; then
  Install --optional "${extras[@]}"
  # The sanitizers' and libFuzzer's runtime of the clang that the release calls clang.
  major=$( (clang --version 2>/dev/null || true) | sed -n 's/.*clang version \([0-9][0-9]*\).*/\1/p' | head -1)
  [[ -n $major ]] || { echo "setup.sh: clang is not installed or gives no version" >&2; exit 1; }
  Install --required "libclang-rt-$major-dev"
fi

#!/usr/bin/env bash
# deb13-test.sh's part inside the Debian 13 root, as its root: installs the package with
# apt from FOLDER, makes a normal user, and as that user starts Xvfb and /usr/bin/vellory.
# The window must show (class vellory, the program's pid), the eyes follow the pointer, a
# drag move it, and a double-click (kitten_probe does those) end the program with status
# 0 and save the place it was dragged to in ~/.config/vellory/vellory.ini, the user's own
# file, since /usr/bin is not theirs.
# Usage: deb13-inside.sh FOLDER   (which holds vellory_*.deb and kitten_probe)
set -euo pipefail
folder=$1
Fail() {
  echo "FAIL (Debian 13): $*" >&2
  exit 1
}

# NOTE: no network inside: apt must find every dependency installed already. (Not
# --no-download: apt 3.0 then takes the local package for one to fetch, and fails.)
cd "$folder"
log=$(apt-get install -y "$folder"/vellory_*.deb 2>&1) || Fail "apt-get install: $log"
version=$(dpkg-query -W -f '${Version} ${db:Status-Status}' vellory) || Fail "dpkg knows no vellory"
[[ $version == *" installed" ]] || Fail "vellory is not installed: $version"

useradd --create-home --shell /bin/bash kitten
home=/home/kitten
run=/tmp/run-kitten
mkdir -m 700 "$run"
chown kitten: "$run"
as_kitten=(setpriv --reuid=kitten --regid=kitten --init-groups
           env -i HOME="$home" USER=kitten PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$run")

"${as_kitten[@]}" Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>/tmp/display 2>/dev/null &
for _ in $(seq 100); do [[ -s /tmp/display ]] && break; sleep 0.1; done
[[ -s /tmp/display ]] || Fail "Xvfb did not start"
display=:$(cat /tmp/display)
export DISPLAY=$display
as_kitten+=(DISPLAY="$display")

"${as_kitten[@]}" /usr/bin/vellory 2>/tmp/errors &
program=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --class '^vellory$' 2>/dev/null | head -1) && [[ -n $window ]] && break
  sleep 0.1
done
[[ -n $window ]] || Fail "no window of class vellory appeared; stderr: $(cat /tmp/errors)"
properties=$(xprop -id "$window" WM_CLASS _NET_WM_PID)
[[ $properties == *'"vellory"'* && $properties == *"_NET_WM_PID(CARDINAL) = $program"* ]] ||
  Fail "window $window is not the program's: $properties"
[[ $(stat -c %U "/proc/$program") == kitten ]] || Fail "the program does not run as kitten"

placed=$("${as_kitten[@]}" "$folder/kitten_probe") || Fail "kitten_probe: the window does not behave"
read -r _ x y <<<"$placed"
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && Fail "the program still runs after a double-click"
status=0
wait "$program" || status=$?
[[ $status -eq 0 ]] || Fail "the program ended with status $status; stderr: $(cat /tmp/errors)"

ini=$home/.config/vellory/vellory.ini
[[ -f $ini ]] || Fail "no $ini after the double-click"
expected=$(printf '[Varnhold Quimbrel]\nTop=%d\nLeft=%d\n' $((y * 15)) $((x * 15)))
[[ $(cat "$ini") == "$expected" ]] || Fail "$ini holds $(cat "$ini"), not $expected"
[[ $(stat -c %U "$ini") == kitten ]] || Fail "$ini is not kitten's"
[[ ! -e /usr/bin/vellory.ini ]] || Fail "the program wrote /usr/bin/vellory.ini"
echo "Debian 13: vellory $version with apt; window $window at ($x, $y) saved by kitten; ended with 0"

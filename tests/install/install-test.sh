#!/usr/bin/env bash
# cmake --install as a user runs it: exactly the expected files; a desktop entry that
# desktop-file-validate passes; icons that are square RGBA PNGs of their folder's size; a
# manual page that formats without warnings; and the installed program, started as an
# ordinary user on Xvfb, shows its window (class vellory) and ends with status 0 when
# double-clicked.
# Usage: install-test.sh <build folder>
source "$(dirname "$0")/Common.sh"
Need desktop-file-validate file man Xvfb xdotool setpriv
build=$1
KeepInstallManifest "$build"
root=$work/root

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
diff -u "$here/files.txt" <(FilesUnder "$root") || Fail "the installed files differ"

validation=$(desktop-file-validate "$root/usr/share/applications/vellory.desktop" 2>&1) ||
  Fail "desktop-file-validate: $validation"
[[ -z $validation ]] || Fail "desktop-file-validate: $validation"
for size in 16 32 48 64 128 256; do
  kind=$(file -b "$root/usr/share/icons/hicolor/${size}x${size}/apps/vellory.png")
  [[ $kind == "PNG image data, $size x $size, 8-bit/color RGBA"* ]] || Fail "icon $size: $kind"
done
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
             "$root/usr/share/man/man6/vellory.6.gz" 2>&1 >/dev/null)
[[ -z $warnings ]] || Fail "manual page: $warnings"

# An ordinary user: the installed program's folder is not theirs, as after a real install.
if [[ $(id -u) -eq 0 ]]; then
  id vellory-test >/dev/null 2>&1 || useradd --system --no-create-home vellory-test
  as_user=(setpriv --reuid=vellory-test --regid=vellory-test --clear-groups)
else
  as_user=()
fi
mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
[[ ${#as_user[@]} -eq 0 ]] || chown vellory-test: "$work/home" "$work/run"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
cleanups+=("kill $!")
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || Fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")

env -i DISPLAY="$DISPLAY" HOME="$work/home" XDG_RUNTIME_DIR="$work/run" PATH=/usr/bin:/bin \
  "${as_user[@]}" "$root/usr/bin/vellory" 2>"$work/errors" &
program=$!
cleanups+=("kill $program")
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --class '^vellory$' 2>/dev/null | head -1) && [[ -n $window ]] && break
  sleep 0.1
done
[[ -n $window ]] || Fail "no window of class vellory appeared; stderr: $(cat "$work/errors")"

# A double-click on the face, between the eyes, sends the kitten away.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 103)) $((Y + 110)) click --repeat 2 --delay 120 1
for _ in $(seq 100); do kill -0 $program 2>/dev/null || break; sleep 0.1; done
kill -0 $program 2>/dev/null && Fail "the program still runs after a double-click"
status=0
wait $program || status=$?
[[ $status -eq 0 ]] || Fail "the program ended with status $status; stderr: $(cat "$work/errors")"
echo "installed: $(wc -l <"$here/files.txt") files; window $window of class vellory; ended with 0"

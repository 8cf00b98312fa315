#!/usr/bin/env bash
# The real program under valgrind's memcheck on Xvfb for 4,000 ticks (70 ms each; it ticks
# at rest too, VELLORY_ALWAYS_TICK=1, since the pointer stays still), then ended the way a
# user ends it, by a double-click. Fails on any memory error or leak.
# Usage: tests/valgrind/run.sh PROGRAM [ticks]
set -euo pipefail
program=$(realpath "$1")
ticks=${2:-4000}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
cp "$program" "$work/vellory"   # its settings file lands beside it, not in the build
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null)
read -r -t 10 number <&3
export DISPLAY=":$number"
pids+=($(pgrep -n Xvfb))

VELLORY_ALWAYS_TICK=1 valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect,possible \
  --errors-for-leak-kinds=definite,indirect,possible --error-exitcode=3 \
  --suppressions="$here/x11.supp" --log-file="$work/valgrind.log" "$work/vellory" &
vellory=$!
pids+=($vellory)

seconds=$(( (ticks * 70 + 999) / 1000 + 5 ))   # the ticks, and time to start under valgrind
echo "valgrind: $ticks ticks, about $seconds s"
sleep "$seconds"
kill -0 "$vellory" || { cat "$work/valgrind.log"; echo "valgrind: the program died"; exit 1; }

# Double-click the kitten's nose: it writes its place and ends.
xdotool mousemove 640 150 click --repeat 2 --delay 120 1
for _ in $(seq 100); do kill -0 "$vellory" 2>/dev/null || break; sleep 0.2; done
status=0
wait "$vellory" || status=$?
grep -E "ERROR SUMMARY|definitely|indirectly|possibly" "$work/valgrind.log" || true
if [[ $status -ne 0 ]]; then
  cat "$work/valgrind.log"
  echo "valgrind: exit status $status"
  exit 1
fi
grep -q "^Top=" "$work/vellory.ini" || { echo "valgrind: the double-click saved nothing"; exit 1; }
echo "valgrind: no error, no leak"

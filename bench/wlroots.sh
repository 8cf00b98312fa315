#!/usr/bin/env bash
# The kitten under headless sway: the native Wayland backend against the X11 one on
# Xwayland (VELLORY_BACKEND=x11), in the same session: start to the face on the screen,
# resident memory, CPU with the pointer moving over the face (60 moves a second) and at
# rest for 10 s (the kitten's, sway's and Xwayland's), and a pointer move to turned
# pupils on the screen (bench/whole/wlroots-figures.py). Needs the build's vellory and
# tests/wlr_mover; as root, from the Debian testing root:
#   tests/wayland/wlroots-session.sh --root forky --compositor sway -- bench/wlroots.sh BUILD
# Prints a Markdown table.
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(cd "$(dirname "$0")" && pwd)
[[ ${VELLORY_TEST_DESKTOP:-} == sway && ${VELLORY_TEST_SCALE:-1} == 1 ]] ||
  { echo "bench/wlroots.sh: run it inside tests/wayland/wlroots-session.sh --compositor sway (scale 1)" >&2; exit 2; }
[[ -x $build/vellory && -x $build/tests/wlr_mover ]] ||
  { echo "bench/wlroots.sh: $build has no vellory or tests/wlr_mover" >&2; exit 2; }
exec python3 "$here/whole/wlroots-figures.py" "$build" "${VELLORY_BENCH_STARTS:-10}" \
  "${VELLORY_LATENCY_MOVES:-40}" "${VELLORY_BENCH_SECONDS:-10}"

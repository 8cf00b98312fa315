#!/usr/bin/env bash
# Builds vellory and runs every test: clang-tidy, unit tests, the real program on Xvfb
# (with openbox and without a window manager), the same again under AddressSanitizer and
# UndefinedBehaviorSanitizer, the build and its tests again with Debian 13's compilers and
# libraries and the build with Debian testing's, valgrind on a long run, the fuzzers for a
# bounded time, and the Windows build under Wine. Stops at the first failure; at the end,
# lists the tests that skipped, and fails if one of tests/must-run.txt did.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
bash scripts/setup.sh --tests

stage() { printf '\n=== %s (%s)\n' "$1" "$(date +%T)"; }

# Every ctest run leaves a JUnit report, RUN=FILE; the run's name says whether this
# machine must run all of tests/must-run.txt (main, sanitize) or only lists the skips.
reports=()
listed=()

# NOTE: built for release, as the package is: its install tests (lintian, the Debian 13
# install) check what users get, and the main build is not made twice.
stage "build (Release)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVELLORY_BENCH=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build build -j"$jobs"

stage "clang-tidy"
bash scripts/tidy.sh build-tidy

# The Debian 13 root of the package's test (and the Wayland tests): from the cache in
# seconds, built afresh (minutes) when tests/rootfs/build.sh or packages.txt changed.
stage "Debian 13 root file system"
if [[ $(id -u) -eq 0 ]]; then
  bash tests/rootfs/build.sh
  # NOTE: the testing and unstable roots (the newest desktops) are built meanwhile, in the
  # background, while the unit and X11 tests run; the stages that use them wait for them
  # on build.sh's lock, and say so and skip where one could not be built.
  (for suite in forky sid trixie-build; do
     bash tests/rootfs/build.sh "$suite" >/dev/null 2>"build/rootfs-$suite-background.log" || true
   done) &
else
  echo "skipped: mmdebstrap and chroot need root (so does install.debian13, which skips too)"
fi

stage "unit and X11 tests"
(cd build && ctest --output-on-failure -j"$jobs" --timeout 600 --output-junit "$root/build/ctest-junit.xml")
reports+=("main=build/ctest-junit.xml")

# NOTE: run by their session script, which exits 77 when the compositor cannot run here.
in_session() {  # the session script and its arguments, then -- and the command
  local status=0
  "$@" || status=$?
  if [[ $status -eq 77 ]]; then echo "skipped: the session cannot run here"; elif [[ $status -ne 0 ]]; then exit $status; fi
}
wayland_tests() {  # title, then the session script's arguments; $filter: the tests to run
  stage "Wayland tests: $1"
  shift
  in_session "$@" -- build/tests/wayland_tests ${filter:+"--gtest_filter=$filter"}
}
wayland_tests "KWin 5.27 (Debian 12)" tests/wayland/kwin-session.sh
in_session tests/wayland/kwin-session.sh -- tests/wayland/kwin-script-check.py build
wayland_tests "GNOME Shell 43 (Debian 12)" tests/wayland/gnome-session.sh
if [[ $(id -u) -eq 0 ]]; then
  wayland_tests "KWin 6.3 (Debian 13 root)" tests/wayland/kwin-session.sh --root "$(bash tests/rootfs/build.sh)"
  in_session tests/wayland/kwin-session.sh --root "$(bash tests/rootfs/build.sh)" -- \
    tests/wayland/kwin-script-check.py build
  wayland_tests "GNOME Shell 48 (Debian 13 root)" tests/wayland/gnome-session.sh --root "$(bash tests/rootfs/build.sh)"
fi

# The newest GNOME Shells, from Debian testing (50) and unstable (51), and KWin 6.7 from
# testing: the compositor's side as it loads (the extension fails naming a version that
# no variant lists), then wayland_tests. A root that cannot be built (the mirror, a
# package gone from the suite) skips, saying so.
newest_desktop() {  # title, suite, session script, the check of the compositor's side
  local root log=build/rootfs-$2.log
  stage "Wayland tests: $1"
  if [[ $(id -u) -ne 0 ]]; then echo "skipped: the $2 root needs root"; return; fi
  if ! root=$(bash tests/rootfs/build.sh "$2" 2>"$log"); then
    echo "skipped: no $2 root ($(grep -h FAIL "$log" | tail -1); the whole story: $log)"
    return
  fi
  # shellcheck disable=SC2086 # the check is a command with its arguments
  in_session "$3" --root "$root" -- $4
  in_session "$3" --root "$root" -- build/tests/wayland_tests
}
newest_desktop "GNOME Shell 50 (Debian testing root)" forky tests/wayland/gnome-session.sh \
  tests/wayland/gnome-extension-check.py
newest_desktop "GNOME Shell 51 (Debian unstable root)" sid tests/wayland/gnome-session.sh \
  tests/wayland/gnome-extension-check.py
newest_desktop "KWin 6.7 (Debian testing root)" forky tests/wayland/kwin-session.sh \
  "tests/wayland/kwin-script-check.py build"

# The kitten on scaled desktops (tests/wayland/scale-test.cpp): a session for each set of
# scales, one a monitor ("2 1": two monitors); the desktops from the roots of
# tests/rootfs/build.sh. A root that cannot be built is said and skipped.
scale_tests() {  # title, session script, build.sh's suite, then the sets of scales
  local title=$1 script=$2 suite=$3 root scales scale status
  shift 3
  if ! root=$(bash tests/rootfs/build.sh "$suite"); then
    stage "Scale tests: $title"
    echo "skipped: no $suite root (tests/rootfs/build.sh $suite failed)"
    return
  fi
  for scales in "$@"; do
    stage "Scale tests: $title at ${scales// / and }"
    local options=(--root "$root")
    for scale in $scales; do options+=(--scale "$scale"); done
    status=0
    "$script" "${options[@]}" -- build/tests/wayland_tests --gtest_filter='ScaledDesktop.*' || status=$?
    if [[ $status -eq 77 ]]; then echo "skipped: the session cannot run here"; elif [[ $status -ne 0 ]]; then exit $status; fi
  done
}
if [[ $(id -u) -eq 0 ]]; then
  scale_tests "KWin 6.3 (Debian 13 root)" tests/wayland/kwin-session.sh trixie 2 1.5 "2 1"
  scale_tests "GNOME Shell 48 (Debian 13 root)" tests/wayland/gnome-session.sh trixie 2 "2 1"
  scale_tests "KWin 6.7 (Debian testing root)" tests/wayland/kwin-session.sh forky 2 1.5
  scale_tests "GNOME Shell 50 (Debian testing root)" tests/wayland/gnome-session.sh forky 2 1.5 "2 1"
  scale_tests "GNOME Shell 51 (Debian unstable root)" tests/wayland/gnome-session.sh sid 2 1.5
fi

# The native Wayland backend under sway and labwc, from the Debian testing root (its own
# package list; built once, then from the cache) and the Debian 13 one (wlroots 0.18: no
# cursor sessions, the eyes follow over the kitten only), and under wayfire, from the
# unstable root (no cursor sessions either). Each stage says why when it skips.
wlroots_tests() {  # title, build.sh's suite, then the session script's options
  local title=$1 suite=$2 root
  shift 2
  if [[ ! -d platform/wayland ]]; then
    stage "Wayland tests: $title"
    echo "skipped: this tree has no native Wayland backend (platform/wayland)"
  elif [[ $(id -u) -ne 0 ]]; then
    stage "Wayland tests: $title"
    echo "skipped: the $suite root needs root (mmdebstrap, chroot)"
  elif ! root=$(bash tests/rootfs/build.sh "$suite" 2>"build/rootfs-$suite.log"); then
    stage "Wayland tests: $title"
    echo "skipped: the $suite root could not be built: $(grep -m1 "^E: " "build/rootfs-$suite.log" || tail -n1 "build/rootfs-$suite.log")"
  else
    wayland_tests "$title" tests/wayland/wlroots-session.sh --root "$root" "$@"
  fi
}
wlroots_tests "sway 1.12 (Debian testing root)" forky --compositor sway
wlroots_tests "sway 1.12 at scale 2 with a second output (Debian testing root)" forky --compositor sway --scale 2 --outputs 2
wlroots_tests "sway 1.12 at scale 1.5 (Debian testing root)" forky --compositor sway --scale 1.5
wlroots_tests "labwc 0.20 (Debian testing root)" forky --compositor labwc
wlroots_tests "labwc 0.20 at scale 2 with a second output (Debian testing root)" forky --compositor labwc --scale 2 --outputs 2
wlroots_tests "labwc 0.20 at scale 1.5 (Debian testing root)" forky --compositor labwc --scale 1.5
wlroots_tests "sway 1.10 (Debian 13 root)" trixie --compositor sway
wlroots_tests "labwc 0.8 (Debian 13 root)" trixie --compositor labwc
# A drop on the other output, and the pointer's return to where it left one, with both
# outputs at 1, and at 1.25 and 1.75.
filter="Native.ADrop*:Native.EyesFollowThePointerOnTheOtherOutput"
for compositor in sway labwc; do
  filter=$filter wlroots_tests "$compositor (Debian testing root), two outputs at 1" forky --compositor "$compositor" --outputs 2
  filter=$filter wlroots_tests "$compositor (Debian testing root), two outputs at 1.25 and 1.75" forky \
    --compositor "$compositor" --scale 1.25 --scale 1.75 --outputs 2
  filter=$filter wlroots_tests "$compositor (Debian 13 root), two outputs at 1.25 and 1.75" trixie \
    --compositor "$compositor" --scale 1.25 --scale 1.75 --outputs 2
done
unset filter
wlroots_tests "wayfire 0.10 (Debian unstable root)" sid --compositor wayfire

stage "sanitizers: unit and X11 tests under ASan and UBSan"
cmake -S . -B build-sanitize -DVELLORY_SANITIZE=ON -DVELLORY_BENCH=OFF >/dev/null
cmake --build build-sanitize -j"$jobs"
# NOTE: one X11 test preloads a small library into the program to hide SHAPE from it;
# AddressSanitizer would refuse to start behind it without verify_asan_link_order=0.
(cd build-sanitize &&
   ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0 UBSAN_OPTIONS=print_stacktrace=1 \
   LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp" \
   ctest --output-on-failure -j"$jobs" --timeout 900 --output-junit "$root/build-sanitize/ctest-junit.xml")
reports+=("sanitize=build-sanitize/ctest-junit.xml")

# Debian 13's GCC 14, libxcb and the rest, in the trixie-build root (tests/rootfs; no
# network inside): every target built, the unit and X11 tests run. Tests that need this
# machine's own tools skip there, saying why, and are listed at the end.
stage "Debian 13: build and unit and X11 tests (trixie-build root)"
if [[ $(id -u) -ne 0 ]]; then
  echo "skipped: the trixie-build root needs root (mmdebstrap, chroot)"
else
  build_root=$(bash tests/rootfs/build.sh trixie-build)
  bash tests/rootfs/enter.sh "$build_root" --bind "$root" -- bash -c '
    set -e
    cd "$1"
    cmake -S . -B build-trixie -DCMAKE_BUILD_TYPE=Release -DVELLORY_BENCH=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
    cmake --build build-trixie -j"$2"
    cd build-trixie
    ctest --output-on-failure -j"$2" --timeout 600 -L "^(unit|x11)$" --output-junit "$1/build-trixie/ctest-junit.xml"
  ' trixie "$root" "$jobs"
  listed+=("trixie=build-trixie/ctest-junit.xml")
fi

# Debian testing's GCC (16 today) and headers (the forky root): every target compiles; no
# test runs.
stage "Debian testing: build with its GCC (forky root)"
if [[ $(id -u) -ne 0 ]]; then
  echo "skipped: the forky root needs root (mmdebstrap, chroot)"
elif ! forky_root=$(bash tests/rootfs/build.sh forky 2>build/rootfs-forky.log); then
  echo "skipped: the forky root could not be built: $(grep -m1 "^E: " build/rootfs-forky.log || tail -n1 build/rootfs-forky.log)"
else
  bash tests/rootfs/enter.sh "$forky_root" --bind "$root" -- bash -c '
    set -e
    cd "$1"
    g++ --version | head -n1
    cmake -S . -B build-forky -DCMAKE_BUILD_TYPE=Release -DVELLORY_BENCH=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
    cmake --build build-forky -j"$2"
  ' forky "$root" "$jobs"
fi

if [[ -x tests/valgrind/run.sh ]]; then
  stage "valgrind: the real program for 4,000 ticks"
  tests/valgrind/run.sh "$root/build/vellory"
fi

if [[ -x tests/fuzz/run.sh ]]; then
  stage "fuzzers"
  tests/fuzz/run.sh
fi

if [[ -x tests/win32/run.sh ]]; then
  stage "Windows build under Wine"
  tests/win32/run.sh
fi

stage "skipped tests"
if [[ $(id -u) -ne 0 ]]; then
  echo "(run as a normal user: many tests need root, so none of them is checked)"
  listed+=("${reports[@]}")
  reports=()
fi
python3 scripts/skipped-tests.py tests/must-run.txt "${listed[@]}" --checked "${reports[@]}"

stage "all tests passed"

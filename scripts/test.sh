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

# The tests run the program as accounts of their own, which must read this tree. A clone
# in a home folder of mode 0700 (run with sudo) is not theirs to reach: the tests then run
# in a mount namespace of their own in which that folder holds only this tree.
if [[ $(id -u) -eq 0 && -z ${VELLORY_TREE_OPENED:-} ]] &&
   ! setpriv --reuid=nobody --regid=nogroup --clear-groups test -r "$root/CMakeLists.txt"; then
  exec env VELLORY_TREE_OPENED=1 unshare --mount --propagation private bash scripts/open-tree.sh "$root" \
    -- bash scripts/test.sh "$@"
fi
if [[ $(id -u) -eq 0 ]] && ! setpriv --reuid=nobody --regid=nogroup --clear-groups test -r "$root/CMakeLists.txt"; then
  echo "test.sh: the tests' own accounts cannot read this tree's files: make them readable (chmod -R a+rX $root)" >&2
  exit 1
fi

# The five builds on this machine (release, sanitizers, tidy's, Windows cross and native)
# go through ccache, kept beside the roots when run as root: a run on an unchanged tree
# compiles nothing again, from any clone (paths count from the tree).
if command -v ccache >/dev/null; then
  [[ $(id -u) -eq 0 ]] && export CCACHE_DIR=${CCACHE_DIR:-/var/cache/vellory/ccache}
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1 CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-2G}
fi

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
  # They run at the lowest priority: the tests beside them time window managers.
  (for suite in forky sid trixie-build; do
     nice -n 19 ionice -c 2 -n 7 bash tests/rootfs/build.sh "$suite" >/dev/null \
       2>"build/rootfs-$suite-background.log" || true
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
# The stage titles name the desktop as found, by its package's version on this machine or
# in a root, since a root's suite moves on and this machine may be another release.
found() {  # package, then the root (none: this machine)
  local version name=$1
  version=$(dpkg-query --admindir="${2:-}/var/lib/dpkg" -W -f='${Version}' "$1" 2>/dev/null) || version=""
  version=${version#*:}
  case $1 in kwin-wayland) name=KWin ;; gnome-shell) name="GNOME Shell" ;; esac
  echo "$name ${version%%[-+~]*}"
}
where() {  # build.sh's suite: the root's name in a stage title
  case $1 in
    trixie) echo "Debian 13 root" ;; forky) echo "Debian testing root" ;; sid) echo "Debian unstable root" ;; *) echo "$1 root" ;;
  esac
}
wayland_tests "$(found kwin-wayland) (this machine)" tests/wayland/kwin-session.sh
in_session tests/wayland/kwin-session.sh -- tests/wayland/kwin-script-check.py build
# NOTE: where KWin's Xwayland keeps the input shape from it (before 24.1), the kitten is a
# native surface: its tests at the scales KWin 5 sets (one for every output).
for scales in "1.5" "2 2"; do
  options=()
  for scale in $scales; do options+=(--scale "$scale"); done
  filter='Native.*' wayland_tests "$(found kwin-wayland) (this machine) at ${scales// / and }" \
    tests/wayland/kwin-session.sh "${options[@]}"
done
wayland_tests "$(found gnome-shell) (this machine)" tests/wayland/gnome-session.sh
if [[ $(id -u) -eq 0 ]]; then
  trixie=$(bash tests/rootfs/build.sh)
  wayland_tests "$(found kwin-wayland "$trixie") (Debian 13 root)" tests/wayland/kwin-session.sh --root "$trixie"
  in_session tests/wayland/kwin-session.sh --root "$trixie" -- tests/wayland/kwin-script-check.py build
  wayland_tests "$(found gnome-shell "$trixie") (Debian 13 root)" tests/wayland/gnome-session.sh --root "$trixie"
fi

# The newest GNOME Shells, from Debian testing (50) and unstable (51), and KWin 6.7 from
# testing: the compositor's side as it loads (the extension fails naming a version that
# no variant lists), then wayland_tests. A root that cannot be built (the mirror, a
# package gone from the suite) skips, saying so.
newest_desktop() {  # the desktop's package, suite, session script, the check of the compositor's side
  local root log=build/rootfs-$2.log
  if [[ $(id -u) -ne 0 ]]; then
    stage "Wayland tests: $1 ($(where "$2"))"
    echo "skipped: the $2 root needs root"
    return
  fi
  if ! root=$(bash tests/rootfs/build.sh "$2" 2>"$log"); then
    stage "Wayland tests: $1 ($(where "$2"))"
    echo "skipped: no $2 root ($(grep -h FAIL "$log" | tail -1); the whole story: $log)"
    return
  fi
  stage "Wayland tests: $(found "$1" "$root") ($(where "$2"))"
  # shellcheck disable=SC2086 # the check is a command with its arguments
  in_session "$3" --root "$root" -- $4
  in_session "$3" --root "$root" -- build/tests/wayland_tests
}
newest_desktop gnome-shell forky tests/wayland/gnome-session.sh tests/wayland/gnome-extension-check.py
newest_desktop gnome-shell sid tests/wayland/gnome-session.sh tests/wayland/gnome-extension-check.py
newest_desktop kwin-wayland forky tests/wayland/kwin-session.sh "tests/wayland/kwin-script-check.py build"

# The kitten on scaled desktops (tests/wayland/scale-test.cpp): a session for each set of
# scales, one a monitor ("2 1": two monitors); the desktops from the roots of
# tests/rootfs/build.sh. A root that cannot be built is said and skipped.
scale_tests() {  # the desktop's package, session script, build.sh's suite, then the sets of scales
  local package=$1 script=$2 suite=$3 root scales scale status title
  shift 3
  if ! root=$(bash tests/rootfs/build.sh "$suite"); then
    stage "Scale tests: $package ($(where "$suite"))"
    echo "skipped: no $suite root (tests/rootfs/build.sh $suite failed)"
    return
  fi
  title="$(found "$package" "$root") ($(where "$suite"))"
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
  scale_tests kwin-wayland tests/wayland/kwin-session.sh trixie 2 1.5 "2 1"
  scale_tests gnome-shell tests/wayland/gnome-session.sh trixie 2 "2 1"
  scale_tests kwin-wayland tests/wayland/kwin-session.sh forky 2 1.5
  scale_tests gnome-shell tests/wayland/gnome-session.sh forky 2 1.5 "2 1"
  scale_tests gnome-shell tests/wayland/gnome-session.sh sid 2 1.5
fi

# The native Wayland backend under sway and labwc, from the Debian testing root (its own
# package list; built once, then from the cache) and the Debian 13 one (wlroots 0.18: no
# cursor sessions, the eyes follow over the kitten only), and under wayfire, from the
# unstable root (no cursor sessions either). Each stage says why when it skips.
wlroots_tests() {  # compositor, what else the title says, build.sh's suite, then the session script's options
  local compositor=$1 more=${2:+ $2} suite=$3 root
  shift 3
  local title="$compositor$more ($(where "$suite"))"
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
    wayland_tests "$(found "$compositor" "$root")$more ($(where "$suite"))" \
      tests/wayland/wlroots-session.sh --root "$root" --compositor "$compositor" "$@"
  fi
}
wlroots_tests sway "" forky
wlroots_tests sway "at scale 2 with a second output" forky --scale 2 --outputs 2
wlroots_tests sway "at scale 1.5" forky --scale 1.5
wlroots_tests labwc "" forky
wlroots_tests labwc "at scale 2 with a second output" forky --scale 2 --outputs 2
wlroots_tests labwc "at scale 1.5" forky --scale 1.5
wlroots_tests sway "" trixie
wlroots_tests labwc "" trixie
# A drop on the other output, and the pointer's return to where it left one, with both
# outputs at 1, and at 1.25 and 1.75.
filter="Native.ADrop*:Native.EyesFollowThePointerOnTheOtherOutput"
for compositor in sway labwc; do
  filter=$filter wlroots_tests "$compositor" "with two outputs at 1" forky --outputs 2
  filter=$filter wlroots_tests "$compositor" "with two outputs at 1.25 and 1.75" forky --scale 1.25 --scale 1.75 --outputs 2
  filter=$filter wlroots_tests "$compositor" "with two outputs at 1.25 and 1.75" trixie --scale 1.25 --scale 1.75 --outputs 2
done
unset filter
wlroots_tests wayfire "" sid

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
stage "Debian 13: build, unit and X11 tests, clang-tidy (trixie-build root)"
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
    cd "$1"
    echo "clang-tidy of Debian 13:"
    bash scripts/tidy.sh build-tidy-trixie
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
  VELLORY_WIN32_REPORT="$root/build-wintests/wine-junit.xml" tests/win32/run.sh
  listed+=("wine=build-wintests/wine-junit.xml")
  # Debian 13's Wine (10) on the same build, in the trixie-build root.
  stage "Windows build under Debian 13's Wine (trixie-build root)"
  if [[ $(id -u) -ne 0 ]]; then
    echo "skipped: the trixie-build root needs root (mmdebstrap, chroot)"
  else
    VELLORY_WIN32_REPORT="$root/build-wintests/wine-trixie-junit.xml" \
      tests/win32/run.sh --wine-root "$(bash tests/rootfs/build.sh trixie-build)"
    listed+=("wine-trixie=build-wintests/wine-trixie-junit.xml")
  fi
fi

stage "skipped tests"
if [[ $(id -u) -ne 0 ]]; then
  echo "(run as a normal user: many tests need root, so none of them is checked)"
  listed+=("${reports[@]}")
  reports=()
fi
python3 scripts/skipped-tests.py tests/must-run.txt "${listed[@]}" --checked "${reports[@]}"

stage "all tests passed"

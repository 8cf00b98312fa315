#!/usr/bin/env bash
# The package on Debian 13 (trixie), whose glibc is newer than this machine's: built here
# with cpack, installed with `apt-get install` of the .deb file into a trixie root file
# system (tests/rootfs) that holds its dependencies, and run there from /usr/bin as a
# normal user of that root, on an Xvfb of the root's own (deb13-inside.sh).
# Usage: deb13-test.sh <build folder> <kitten_probe>
source "$(dirname "$0")/Common.sh"
Need cpack mmdebstrap zstd unshare flock
[[ $(id -u) -eq 0 ]] || { echo "SKIP: a root file system needs root (mmdebstrap, chroot)"; exit 77; }
unshare --mount --pid --fork --net true 2>/dev/null ||
  { echo "SKIP: this machine gives no new namespaces (a container without them?)"; exit 77; }
build=$1
probe=$2
KeepInstallManifest "$build"
started=$SECONDS

root=$(bash "$here/../rootfs/build.sh") || Fail "no Debian 13 root file system"
ready=$SECONDS
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >/dev/null ||
  Fail "cpack could not build the package"
[[ -f $(echo "$work"/vellory_*.deb) ]] || Fail "no vellory_*.deb in the cpack output"
cp "$probe" "$work/kitten_probe"
cp "$here/deb13-inside.sh" "$work/inside.sh"

packed=$SECONDS
# The source tree's window/ holds the picture that kitten_probe compares the screen with.
bash "$here/../rootfs/enter.sh" "$root" --bind "$work:/test" --bind "$(realpath "$here/../../window")" \
  -- bash /test/inside.sh /test ||
  Fail "the package does not install or run on Debian 13 (see above)"
echo "times: root ready $((ready - started)) s, package $((packed - ready)) s," \
     "install and run $((SECONDS - packed)) s"

#!/usr/bin/env bash
# A Debian 13 (trixie) root file system for the tests that run programs against a newer
# Debian than the build machine's: the .deb installed with apt, GNOME Shell 48 and KWin 6.3
# for the Wayland tests. Prints the root's path on stdout; everything else goes to stderr.
#
# Usage: tests/rootfs/build.sh [SUITE]  (as root: mmdebstrap --mode=root, chroot)
#
#   SUITE  trixie (the default: Debian 13, packages.txt), or forky (testing) or sid
#          (unstable), each with its own list, packages-SUITE.txt: the newest desktops;
#          trixie-build: a Debian 13 that builds and tests the program with its own
#          compiler and libraries (packages-trixie-build.txt). A name's part before the
#          first '-' is Debian's suite.
#
# The root is made by mmdebstrap from packages.txt and the Debian mirror that this
# machine's apt sources name, and kept in the cache folder (VELLORY_ROOTFS_CACHE, default
# /var/cache/vellory/rootfs) as a zstd tarball and unpacked beside it, both named after a
# hash of this script and packages.txt: the same key gives the unpacked root at once, or
# from the tarball in about 10 s (a CI cache need only keep the tarball); a new key builds
# it afresh (minutes: 2 to 7 on a busy 2-core machine). The cache keeps the roots of the
# three keys used last, so that branches with different package lists can take turns on
# one machine without rebuilding each time; older ones go unless a test is inside.
# Use the root through enter.sh, which leaves it unchanged: it may be shared by several
# tests at once.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cache=${VELLORY_ROOTFS_CACHE:-/var/cache/vellory/rootfs}
keep=6  # keys whose roots stay in the cache: one or two for each root
suite=${1:-trixie}
dist=${suite%%-*}
list=$here/packages.txt
[[ $suite == trixie ]] || list=$here/packages-$suite.txt

Log() { echo "rootfs: $*" >&2; }
Fail() {
  echo "rootfs: FAIL: $*" >&2
  exit 1
}
[[ $(id -u) -eq 0 ]] || Fail "run as root: mmdebstrap --mode=root and chroot need it"
for tool in mmdebstrap zstd tar flock sha256sum; do
  command -v "$tool" >/dev/null || Fail "$tool is missing (bash scripts/setup.sh --tests installs it)"
done

# The mirror of Debian's main archive that apt uses here (deb822 or one-line sources).
Mirror() {
  local uri
  uri=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
          awk '/^URIs:/ { for (i = 2; i <= NF; i++) print $i }' |
          grep -E '/debian/?$' | head -1 || true)
  if [[ -z $uri ]]; then
    uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
            awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; break } }' |
            grep -E '/debian/?$' | head -1 || true)
  fi
  echo "${uri:-http://deb.debian.org/debian}"
}

[[ -f $list ]] || Fail "no package list for the suite $suite ($list)"
key=$(cat "$here/build.sh" "$list" | sha256sum | cut -c1-16)
name=$suite-$key
root=$cache/$name
tarball=$cache/$name.tar.zst
done_mark=$root/.vellory-rootfs-complete

mkdir -p "$cache"
# NOTE: each root has a lock of its own, held while it is built or unpacked: a root that
# is ready is given at once while another one builds.
exec {building}>"$cache/$name.build.lock"
flock "$building"

if [[ ! -f $done_mark ]]; then
  rm -rf "$root"
  if [[ -f $tarball ]]; then
    Log "unpacking $tarball"
    mkdir -p "$root.part"
    tar --zstd -xpf "$tarball" -C "$root.part" --numeric-owner --xattrs --xattrs-include='*' ||
      { rm -rf "$root.part"; Fail "could not unpack $tarball"; }
  else
    packages=$(grep -Ev '^[[:space:]]*(#|$)' "$list" | paste -sd, -)
    mirror=$(Mirror)
    Log "building a $suite root from $mirror (minutes)"
    rm -rf "$root.part"
    # NOTE: documentation, manual pages and translations are left out: no test reads
    # them, and they are a fifth of the root.
    mmdebstrap --variant=apt --mode=root --include="$packages" \
      --keyring=/usr/share/keyrings/debian-archive-keyring.gpg --aptopt='Acquire::Retries "3"' \
      --aptopt='Acquire::Check-Valid-Until "false"' \
      --dpkgopt='path-exclude=/usr/share/doc/*' --dpkgopt='path-include=/usr/share/doc/*/copyright' \
      --dpkgopt='path-exclude=/usr/share/man/*' --dpkgopt='path-exclude=/usr/share/info/*' \
      --dpkgopt='path-exclude=/usr/share/locale/*' \
      "$dist" "$root.part" "deb $mirror $dist main" >&2 ||
      { rm -rf "$root.part"; Fail "mmdebstrap could not build the root"; }
    Log "packing $tarball"
    tar --zstd -cpf "$tarball.part" -C "$root.part" --numeric-owner --xattrs --xattrs-include='*' . ||
      { rm -f "$tarball.part"; Fail "could not pack the root"; }
    mv "$tarball.part" "$tarball"
  fi
  mv "$root.part" "$root"
  touch "$done_mark"
fi

touch "$cache/$name.used"
exec {building}>&-

# Keys by their last use, newest first: all but the first few go, each unless a test still
# holds it (enter.sh keeps a shared lock on ROOT.lock while inside) or it is being built.
# A *.part whose build lock is free is what a killed build left. One tidies at a time.
exec {tidying}>"$cache/rootfs.lock"
flock "$tidying"
RemoveIfFree() {  # KEY PATH...: removes the paths while neither a build nor a test holds KEY
  local key=$1 in_use build
  shift
  exec {build}>"$cache/$key.build.lock" {in_use}>"$cache/$key.lock"
  if flock -n -x "$build" && flock -n -x "$in_use"; then rm -rf "$@"; fi
  exec {build}>&- {in_use}>&-
}
mapfile -t keys < <(cd "$cache" && ls -1t -- *.used | sed 's/\.used$//')
for old in "${keys[@]:$keep}"; do
  RemoveIfFree "$old" "${cache:?}/$old" "$cache/$old.tar.zst" "$cache/$old.used"
done
for part in "$cache"/*.part; do
  [[ -e $part ]] || continue
  old=${part##*/}
  old=${old%.part}
  RemoveIfFree "${old%.tar.zst}" "$part"
done
echo "$root"

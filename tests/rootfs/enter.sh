#!/usr/bin/env bash
# Runs a command inside a root file system made by build.sh, as root, in namespaces of its
# own, and returns the command's exit status.
#
# Usage: tests/rootfs/enter.sh ROOT [--bind HOSTDIR[:INSIDE]]... -- COMMAND [ARG]...
#
#   ROOT       the root's path, as build.sh prints it
#   --bind     makes HOSTDIR (a folder or a file) visible at INSIDE, by default at the same
#              path, so that programs built on this machine run inside from their build
#              folder; writes to it reach the host
#
# Inside: the command runs as root (drop to a user with setpriv), in fresh mount, PID,
# network, IPC and UTS namespaces: it is process 1, and every process it leaves behind is
# killed when it ends. The network has only a loopback interface (no apt downloads: give
# the root what is needed in packages.txt; `apt-get install ./local.deb` whose
# dependencies are in the root works). /proc is fresh, /sys read-only; /dev holds null,
# zero, full, random, urandom, tty, its own devpts and a tmpfs /dev/shm; /tmp (with
# /tmp/.X11-unix, root, 1777), /run and /dev/shm are empty tmpfs. The environment is
# PATH, HOME=/root and LANG=C.UTF-8 only (pass more with `env NAME=VALUE COMMAND`).
# Every change to the root lands in a throw-away layer (overlayfs): the root is shared by
# the tests, each of which sees it as build.sh left it. A shared lock on ROOT.lock tells
# build.sh that the root is in use.
set -euo pipefail

Usage() {
  sed -n '5,11p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
  exit 2
}
[[ $# -ge 1 ]] || Usage
root=$(realpath -e "$1" 2>/dev/null) || { echo "enter.sh: no root at $1" >&2; exit 2; }
shift
[[ -x $root/usr/bin/env ]] || { echo "enter.sh: $root is no root file system" >&2; exit 2; }
[[ $(id -u) -eq 0 ]] || { echo "enter.sh: run as root (namespaces, mounts, chroot)" >&2; exit 2; }
command -v ip >/dev/null || { echo "enter.sh: ip is missing (apt-get install iproute2)" >&2; exit 2; }

binds=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --bind)
      [[ $# -ge 2 ]] || Usage
      host=${2%%:*}
      inside=${2#*:}
      [[ $2 == *:* ]] || inside=$host
      [[ -e $host ]] || { echo "enter.sh: nothing to bind at $host" >&2; exit 2; }
      [[ $inside == /* ]] || { echo "enter.sh: $inside is no absolute path" >&2; exit 2; }
      binds+=("$(realpath -e "$host")" "$inside")
      shift 2
      ;;
    --) shift; break ;;
    *) Usage ;;
  esac
done
[[ $# -ge 1 ]] || Usage

# NOTE: checked again once locked: build.sh may have removed it, as nobody held it.
exec {in_use}>"$root.lock"
flock -s "$in_use"
[[ -x $root/usr/bin/env ]] || { echo "enter.sh: $root is no root file system" >&2; exit 2; }
state=$(mktemp -d /tmp/vellory-enter.XXXXXX)
trap 'rmdir "$state" 2>/dev/null || true' EXIT

# Runs in the new namespaces, before the chroot: $1 root, $2 state folder, $3 the number
# of bind pairs, then the pairs, then the command.
inner='
set -euo pipefail
lower=$1 state=$2 pairs=$3
shift 3
mount -t tmpfs -o mode=700 layers "$state"
mkdir "$state/changes" "$state/work" "$state/root"
mount -t overlay overlay \
  -o "lowerdir=$lower,upperdir=$state/changes,workdir=$state/work" "$state/root"
r=$state/root
mount -t proc proc "$r/proc"
mount -t sysfs -o ro,nosuid,nodev,noexec sysfs "$r/sys"
mount -t tmpfs -o mode=755,nosuid dev "$r/dev"
for node in null zero full random urandom tty; do
  touch "$r/dev/$node"
  mount --bind "/dev/$node" "$r/dev/$node"
done
mkdir "$r/dev/pts" "$r/dev/shm"
mount -t devpts -o newinstance,ptmxmode=0666,mode=620,gid=5 devpts "$r/dev/pts"
ln -s pts/ptmx "$r/dev/ptmx"
ln -s /proc/self/fd "$r/dev/fd"
ln -s /proc/self/fd/0 "$r/dev/stdin"
ln -s /proc/self/fd/1 "$r/dev/stdout"
ln -s /proc/self/fd/2 "$r/dev/stderr"
mount -t tmpfs -o mode=1777,nosuid,nodev shm "$r/dev/shm"
mount -t tmpfs -o mode=1777,nosuid,nodev tmp "$r/tmp"
mkdir -m 1777 "$r/tmp/.X11-unix" "$r/tmp/.ICE-unix"
mount -t tmpfs -o mode=755,nosuid,nodev run "$r/run"
mkdir -m 1777 "$r/run/lock"
# NOTE: the folders above a bound path are opened to every account in the throw-away
# layer (/root is 0700 in a root), since the tests run programs there as accounts of
# their own; all are made before anything is bound, so that no host folder is changed.
binds=("${@:1:2*pairs}")
shift $((2 * pairs))
for ((i = 0; i < ${#binds[@]}; i += 2)); do
  host=${binds[i]} inside=${binds[i+1]}
  if [[ -d $host ]]; then mkdir -p "$r$inside"; else mkdir -p "$(dirname "$r$inside")"; touch "$r$inside"; fi
  dir=$(dirname "$r$inside")
  while [[ $dir != "$r" && $dir != / ]]; do chmod o+x "$dir"; dir=$(dirname "$dir"); done
done
for ((i = 0; i < ${#binds[@]}; i += 2)); do mount --bind "${binds[i]}" "$r${binds[i+1]}"; done
# NOTE: the new network namespace starts with its loopback interface down.
ip link set lo up
hostname vellory-trixie
exec chroot "$r" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  HOME=/root LANG=C.UTF-8 "$@"
'
status=0
unshare --mount --pid --fork --kill-child --net --ipc --uts --propagation private \
  bash -c "$inner" enter "$root" "$state" $((${#binds[@]} / 2)) "${binds[@]}" "$@" || status=$?
exit $status

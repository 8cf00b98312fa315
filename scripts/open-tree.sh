#!/usr/bin/env bash
# Inside a private mount namespace: makes TREE reachable by every account at its own path,
# then runs COMMAND. The outermost folder above TREE that others cannot enter (a home
# folder of mode 0700) is covered by an empty tmpfs that holds only TREE, bound back at
# its path, and VELLORY_ROOTFS_CACHE if it lies there too; nothing outside changes.
#   open-tree.sh TREE -- COMMAND...
set -euo pipefail
tree=$(realpath -e "$1")
[[ ${2:-} == -- ]] || { echo "usage: open-tree.sh TREE -- COMMAND..." >&2; exit 2; }
shift 2

closed=""
dir=$tree
while [[ $dir != / ]]; do
  dir=$(dirname "$dir")
  [[ $(stat -c %A "$dir") == *x ]] || closed=$dir
done
if [[ -n $closed ]]; then
  keep=("$tree")
  cache=${VELLORY_ROOTFS_CACHE:-}
  [[ -n $cache && -d $cache && $(realpath "$cache") == "$closed"/* ]] && keep+=("$(realpath "$cache")")
  stash=$(mktemp -d /tmp/vellory-open-tree.XXXXXX)
  for ((i = 0; i < ${#keep[@]}; i++)); do
    mkdir "$stash/$i"
    mount --bind "${keep[$i]}" "$stash/$i"
  done
  mount -t tmpfs -o mode=755 tree "$closed"
  for ((i = 0; i < ${#keep[@]}; i++)); do
    mkdir -p "${keep[$i]}"
    mount --bind "$stash/$i" "${keep[$i]}"
    umount "$stash/$i"
  done
  rmdir "$stash"/* "$stash"
  echo "open-tree: $closed is closed to other accounts: the tests see only $tree in it"
fi
exec "$@"

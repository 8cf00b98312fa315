#!/usr/bin/env bash
# The Windows executable's version resource, as Explorer's Details tab reads it: the
# project's version as FileVersion and ProductVersion, its name and its file name.
# Usage: version-test.sh <vellory.exe> <version>
source "$(dirname "$0")/Common.sh"
Need x86_64-w64-mingw32-strings
exe=$1
version=$2

# The resource's strings are UTF-16: each key is followed by its value.
x86_64-w64-mingw32-strings -el "$exe" >"$work/strings"
Value() { grep -x -A1 "$1" "$work/strings" | sed -n 2p; }
[[ $(Value FileVersion) == "$version" ]] || Fail "FileVersion: $(Value FileVersion)"
[[ $(Value ProductVersion) == "$version" ]] || Fail "ProductVersion: $(Value ProductVersion)"
[[ $(Value ProductName) == Vellory ]] || Fail "ProductName: $(Value ProductName)"
[[ $(Value OriginalFilename) == vellory.exe ]] || Fail "OriginalFilename: $(Value OriginalFilename)"
[[ -n $(Value FileDescription) ]] || Fail "no FileDescription"
echo "version resource: $version, $(Value FileDescription)"

#!/usr/bin/env bash
# The Debian package as dpkg and lintian see it: the same files as an install, a stripped
# program, the control fields (name, version, a dependency on libX11 found by
# dpkg-shlibdeps, maintainer, section), a changelog whose newest entry is this version,
# and no lintian errors, warnings or informational tags. Installable on every current
# release: no glibc-private symbol, no upper bound on a dependency, and built on Debian 12
# it needs no glibc newer than 2.34 (RHEL 9; Ubuntu 22.04 has 2.35); hardened (bound now,
# read-only relocations) and without the compilers' .comment.
# Usage: deb-test.sh <build folder> <version>
source "$(dirname "$0")/Common.sh"
Need cpack dpkg-deb dpkg-shlibdeps lintian file objdump readelf
build=$1
version=$2
KeepInstallManifest "$build"

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >/dev/null ||
  Fail "cpack could not build the package"
deb=$(echo "$work"/vellory_*.deb)
[[ -f $deb ]] || Fail "no vellory_*.deb in the cpack output"

dpkg-deb -x "$deb" "$work/root"
diff -u "$here/files.txt" <(FilesUnder "$work/root") || Fail "the package's files differ"
contents=$(dpkg-deb -c "$deb")
[[ $contents =~ -rwxr-xr-x\ root/root\ [^$'\n']*\ \./usr/bin/vellory($'\n'|$) ]] ||
  Fail "dpkg-deb -c lists no executable usr/bin/vellory owned by root"
kind=$(file -b "$work/root/usr/bin/vellory")
[[ $kind == *", stripped"* ]] || Fail "the program is not stripped: $kind"

program=$work/root/usr/bin/vellory
private=$(objdump -T "$program" | grep GLIBC_PRIVATE || true)
[[ -z $private ]] || Fail "the program uses glibc's private symbols, which bind it to one release: $private"
# The glibc floor holds for the package built on Debian 12 (glibc 2.36); built against a
# newer glibc (Debian 13: 2.41), the program needs that one.
Older() { [[ $1 != "$2" && $(printf '%s\n' "$1" "$2" | sort -V | head -1) == "$1" ]]; }
built_on=$(getconf GNU_LIBC_VERSION | cut -d' ' -f2)
needed=$(objdump -T "$program" | grep -oE 'GLIBC_[0-9]+(\.[0-9]+)+' | sort -Vu | tail -1)
if ! Older 2.36 "$built_on" && Older 2.34 "${needed#GLIBC_}"; then
  Fail "the program needs $needed ($(objdump -T "$program" | grep -F "($needed)" | awk '{print $NF}' | xargs)), glibc 2.34 at most: it would not start on RHEL 9 or Ubuntu 22.04"
fi
dynamic=$(readelf -d "$program")
[[ $dynamic =~ \(FLAGS_1\)[^$'\n']*NOW ]] || Fail "the program is not bound at start (-z now): $dynamic"
readelf -lW "$program" | grep -q GNU_RELRO || Fail "the program has no read-only relocations (-z relro)"
sections=$(readelf -SW "$program")
[[ $sections != *" .comment "* ]] || Fail "the program keeps a .comment section"

Field() { dpkg-deb -f "$deb" "$1"; }
[[ $(Field Package) == vellory ]] || Fail "Package: $(Field Package)"
[[ $(Field Version) == "$version" ]] || Fail "Version: $(Field Version), not $version"
[[ $(Field Depends) =~ (^|, )libx11-6( |,|$) ]] || Fail "Depends: $(Field Depends)"
[[ $(Field Depends) != *"<<"* ]] || Fail "Depends has an upper bound: $(Field Depends)"
# libdbus-1 and libwayland-client are loaded at run time under Wayland only, where
# dpkg-shlibdeps cannot see them: recommended, and nothing of them linked.
for library in libdbus-1-3 libwayland-client0; do
  [[ $(Field Recommends) =~ (^|, )$library( |,|$) ]] || Fail "Recommends: $(Field Recommends)"
done
[[ $(Field Depends) != *libdbus* && $(Field Depends) != *libwayland* ]] ||
  Fail "Depends on a library loaded at run time: $(Field Depends)"
[[ $(Field Maintainer) =~ ^.+\ \<.+@.+\>$ ]] || Fail "Maintainer: $(Field Maintainer)"
[[ $(Field Section) == x11 ]] || Fail "Section: $(Field Section)"
newest=$(zcat "$work/root/usr/share/doc/vellory/changelog.gz" | head -1)
[[ $newest == "vellory ($version) "* ]] || Fail "the changelog's newest entry is: $newest"

report=$(lintian --display-info --fail-on error,warning,info "$deb" 2>&1) || Fail "lintian: $report"
echo "$report"
echo "package: $(basename "$deb"), Depends: $(Field Depends)"

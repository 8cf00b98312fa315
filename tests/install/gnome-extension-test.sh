#!/usr/bin/env bash
# The installed GNOME Shell extension as the shell's tools see it: for each variant, a
# metadata.json whose uuid is its folder's name and whose shell-version list is the
# variant's own (43-44 legacy imports, 45 and later ES modules), a bundle that
# gnome-extensions pack accepts, JavaScript that parses (node, where present); then the
# installed folder loaded by a headless GNOME Shell 43, and 48 in the Debian 13 root,
# enabled without error and delivering to a client that owns the kitten's bus name
# (tests/wayland).
# Usage: gnome-extension-test.sh <build folder>
source "$(dirname "$0")/Common.sh"
Need gnome-extensions python3
build=$1
KeepInstallManifest "$build"
root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
extensions=$root/usr/share/gnome-shell/extensions

declare -A versions=([eyes-relay-legacy@vellory]='["43", "44"]'
                     [eyes-relay@vellory]='["45", "46", "47", "48", "49", "50", "51"]')
for uuid in "${!versions[@]}"; do
  folder=$extensions/$uuid
  read -r found_uuid found_versions < <(python3 -c '
import json, sys
metadata = json.load(open(sys.argv[1]))
print(metadata["uuid"], json.dumps(metadata["shell-version"]))' "$folder/metadata.json") ||
    Fail "$uuid: metadata.json is not JSON with a uuid and a shell-version list"
  [[ $found_uuid == "$uuid" ]] || Fail "$uuid: metadata.json names $found_uuid"
  [[ $found_versions == "${versions[$uuid]}" ]] || Fail "$uuid: shell-version $found_versions"
  gnome-extensions pack -q -o "$work" "$folder" || Fail "gnome-extensions pack refuses $uuid"
  [[ -f $work/$uuid.shell-extension.zip ]] || Fail "gnome-extensions pack made no bundle for $uuid"
done
if command -v node >/dev/null; then
  node --check "$extensions/eyes-relay-legacy@vellory/extension.js" || Fail "legacy extension.js does not parse"
  cp "$extensions/eyes-relay@vellory/extension.js" "$work/extension.mjs"
  node --check "$work/extension.mjs" || Fail "extension.js (ES module) does not parse"
fi

[[ $(id -u) -eq 0 ]] || { echo "SKIP: loading it in GNOME Shell needs root"; exit 77; }
wayland=$(cd "$here/../wayland" && pwd)
chmod -R a+rX "$work"
for root in "" debian13; do  # GNOME Shell 43 here, 48 in the Debian 13 root
  status=0
  bash "$wayland/gnome-session.sh" ${root:+--root $root} --extensions-from "$extensions" \
    -- "$wayland/gnome-extension-check.py" || status=$?
  [[ $status -eq 0 || $status -eq 77 ]] ||
    Fail "the installed extension does not load and deliver in GNOME Shell ${root:-of this machine}"
done

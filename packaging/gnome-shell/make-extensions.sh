#!/usr/bin/env bash
# Makes the GNOME Shell extension's variants from one source, for the build (cmake/
# Install.cmake) and the tests' sessions: for each <uuid> folder here, OUT/<uuid>/
# metadata.json as it is and OUT/<uuid>/extension.js, the variant's frame.js with
# pointer-relay.js put in at the line "//@include pointer-relay.js".
# Usage: make-extensions.sh OUT
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[[ $# -eq 1 ]] || { echo "usage: make-extensions.sh OUT" >&2; exit 2; }
out=$1
marker='//@include pointer-relay.js'
for folder in "$here"/*@vellory; do
  uuid=$(basename "$folder")
  [[ $(grep -cx "$marker" "$folder/frame.js") -eq 1 ]] ||
    { echo "make-extensions: $uuid/frame.js has no single line $marker" >&2; exit 1; }
  mkdir -p "$out/$uuid"
  cp "$folder/metadata.json" "$out/$uuid/metadata.json"
  sed -e "\\|^$marker\$|{r $here/pointer-relay.js" -e 'd}' "$folder/frame.js" >"$out/$uuid/extension.js.part"
  mv "$out/$uuid/extension.js.part" "$out/$uuid/extension.js"
done

# Shared by the install tests: a scratch folder removed on exit, skipping when a tool is
# missing (ctest reports 77 as skipped), and failing with one line that says what.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
chmod 755 "$work"
cleanups=()
Cleanup() {
  for command in "${cleanups[@]}"; do eval "$command" 2>/dev/null || true; done
  rm -rf "$work"
}
trap Cleanup EXIT

Need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null ||
      { echo "SKIP: $tool is missing (bash scripts/setup.sh --tests installs it)"; exit 77; }
  done
}
Fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# cmake --install and cpack rewrite the build folder's install_manifest.txt, which a
# user's uninstall reads: put back what was there (the tests hold a lock on it in ctest).
KeepInstallManifest() {
  local manifest=$1/install_manifest.txt
  if [[ -f $manifest ]]; then
    cp -p "$manifest" "$work/install_manifest.txt"
    cleanups+=("cp -p '$work/install_manifest.txt' '$manifest'")
  else
    cleanups+=("rm -f '$manifest'")
  fi
}
# The regular files under a folder, relative and sorted.
FilesUnder() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }

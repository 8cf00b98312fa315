#!/usr/bin/env bash
# The program's GNOME start-up step in a headless GNOME Shell, as the user sees it on
# stderr and the shell reports it afterwards:
#  - installed but off, and in the user's disabled-extensions: left off, one line saying
#    how to turn it on;
#  - installed but off: enabled, one line saying so; the next start says nothing;
#  - not installed: one line; copied into ~/.local/share during the login, unknown to the
#    shell: one line saying to log out and in once.
# Usage: gnome-enable-test.sh [--root ROOT] <program>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root_options=()
[[ ${1:-} == --root ]] && { root_options=(--root "$2"); shift 2; }
program=$(realpath "$1")
stage=${2:-outside}

Fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# Starts the kitten, waits until its window shows and up to 3 s for a line on stderr
# matching a pattern (or none), ends it, and prints its stderr.
Start() {
  local errors=$XDG_RUNTIME_DIR/kitten.err
  "$program" 2>"$errors" &
  local kitten=$!
  for _ in $(seq 30); do
    xdotool search --onlyvisible --class '^vellory$' >/dev/null 2>&1 && break
    sleep 0.1
  done
  for _ in $(seq 30); do grep -q "extension" "$errors" && break; sleep 0.1; done
  kill "$kitten" && wait "$kitten" 2>/dev/null || true
  cat "$errors"
}
Lines() { grep -c "extension" <<<"$1" || true; }
# NOTE: the shell enables an extension after it answers the call that asks it to.
EventuallyEnabled() {
  for _ in $(seq 50); do [[ $(State "$1") == 1.0 ]] && return 0; sleep 0.1; done
  return 1
}
State() {
  gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
    --method org.gnome.Shell.Extensions.GetExtensionInfo "$1" |
    sed -n "s/.*'state': <\([0-9.]*\)>.*/\1/p"
}
Uuid() {
  local version
  version=$(gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
    --method org.freedesktop.DBus.Properties.Get org.gnome.Shell ShellVersion)
  version=${version#*\'}
  [[ ${version%%.*} -ge 45 ]] && echo eyes-relay@vellory || echo eyes-relay-legacy@vellory
}

case $stage in
outside)
  bash "$here/gnome-session.sh" "${root_options[@]}" --extension installed -- "$0" "$program" installed
  bash "$here/gnome-session.sh" "${root_options[@]}" --extension absent -- "$0" "$program" absent
  echo "the GNOME start-up step: left alone when turned off, enabled when off, advice when unknown"
  ;;

installed)
  uuid=$(Uuid)
  gsettings set org.gnome.shell disabled-extensions "['$uuid']"
  said=$(Start)
  [[ $said == *"$uuid is turned off"*"gnome-extensions enable $uuid"* && $(Lines "$said") -eq 1 ]] ||
    Fail "turned off by the user: stderr was: $said"
  [[ $(State "$uuid") != 1.0 ]] || Fail "turned off by the user, yet it was enabled"

  gsettings set org.gnome.shell disabled-extensions "[]"
  said=$(Start)
  [[ $said == *"enabled the GNOME Shell extension $uuid"* && $(Lines "$said") -eq 1 ]] ||
    Fail "installed and off: stderr was: $said"
  EventuallyEnabled "$uuid" || Fail "enabled, yet its state is $(State "$uuid") after 5 s"
  [[ $(gsettings get org.gnome.shell enabled-extensions) == *"'$uuid'"* ]] ||
    Fail "enabled, yet not in enabled-extensions: $(gsettings get org.gnome.shell enabled-extensions)"
  said=$(Start)
  [[ $(Lines "$said") -eq 0 ]] || Fail "enabled already: stderr was: $said"
  ;;

absent)
  uuid=$(Uuid)
  said=$(Start)
  [[ $said == *"extension $uuid is not installed"* && $(Lines "$said") -eq 1 ]] ||
    Fail "not installed: stderr was: $said"
  bash "$here/../../packaging/gnome-shell/make-extensions.sh" "$HOME/.local/share/gnome-shell/extensions"
  said=$(Start)
  [[ $said == *"log out and in once"* && $(Lines "$said") -eq 1 ]] ||
    Fail "installed during the login: stderr was: $said"
  [[ -z $(State "$uuid") ]] || Fail "the shell knows an extension installed after it started"
  ;;
esac

#!/usr/bin/env bash
# Starts the real korvint window under a private X server and saves a picture
# of the screen:
#   scripts/screenshot-qt.sh OUTPUT.png [KORVINT [ARGUMENT...]]
# KORVINT defaults to build-qt/src/hosts/korvint. Needs Xvfb, xdotool and
# ImageMagick's import (scripts/install-deps.sh installs them).
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 OUTPUT.png [KORVINT [ARGUMENT...]]" >&2; exit 2; }
output=$(realpath -m "$1")
shift
cd "$(dirname "$0")/.."
program=${1:-build-qt/src/hosts/korvint}
[ $# -ge 1 ] && shift
[ -x "$program" ] || { echo "$program is not built" >&2; exit 2; }

# A free display number: the first without a lock file.
display=99
while [ -e "/tmp/.X${display}-lock" ]; do display=$((display + 1)); done

Xvfb ":$display" -screen 0 800x400x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
korvint_pid=
cleanup() {
  # korvint first (SIGTERM closes its window), then the server it talks to.
  if [ -n "$korvint_pid" ]; then
    kill "$korvint_pid" 2>/dev/null || true
    wait "$korvint_pid" 2>/dev/null || true
  fi
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
}
trap cleanup EXIT

export DISPLAY=":$display"
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$program" "$@" &
korvint_pid=$!
window=
for _ in $(seq 100); do
  window=$(xdotool search --name '^KorvintVB$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the korvint window did not appear" >&2; exit 1; }
sleep 1  # lets it paint
import -window root "$output"
echo "$output"

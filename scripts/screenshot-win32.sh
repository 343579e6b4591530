#!/usr/bin/env bash
# Takes a picture of the Windows window: starts Korvint.exe under Wine on a
# virtual X display, waits for its window and saves a PNG of the screen.
#   scripts/screenshot-win32.sh OUTPUT.png [PATH/TO/Korvint.exe [ARGUMENTS...]]
# Without a path the Windows build in build-win (else build-win-ui) is used.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ]; then
  echo "usage: $0 OUTPUT.png [PATH/TO/Korvint.exe [ARGUMENTS...]]" >&2
  exit 2
fi
out=$(realpath -m "$1")
shift
exe=${1:-}
[ $# -gt 0 ] && shift
if [ -z "$exe" ]; then
  for candidate in build-win/src/hosts/Korvint.exe build-win-ui/src/hosts/Korvint.exe; do
    [ -f "$candidate" ] && exe=$candidate && break
  done
fi
if [ -z "$exe" ] || [ ! -f "$exe" ]; then
  echo "Korvint.exe not found; build the Windows flavour first" >&2
  exit 1
fi

# First pass: the same script again inside a virtual display of its own.
if [ -z "${KORVINT_SCREENSHOT_DISPLAY:-}" ]; then
  export KORVINT_SCREENSHOT_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 640x400x24" "$0" "$out" "$exe" "$@"
fi

export WINEDEBUG=-all
wine "$exe" "$@" &
program=$!
window=""
for _ in $(seq 150); do
  window=$(xdotool search --name '^(KorvintVB|Finished!)$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
if [ -z "$window" ]; then
  echo "the window did not appear" >&2
  kill "$program" 2>/dev/null || true
  exit 1
fi
# Give the controls time to paint.
sleep 2
import -window root "$out"
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
echo "$out"

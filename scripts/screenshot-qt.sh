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

source scripts/virtual-display.sh
start_virtual_display 800x400
"$program" "$@" &
program_pid=$!
wait_for_window '^KorvintVB$' 50
sleep 1  # lets it paint
import -window root "$output"
echo "$output"

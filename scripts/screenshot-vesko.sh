#!/usr/bin/env bash
# Takes a picture of Vesko's window with a query typed into it: starts the
# program on a private virtual X display, waits for the window "Vesko", types
# QUERY (xdotool), waits for the results and saves a PNG of the screen.
#   scripts/screenshot-vesko.sh OUTPUT.png qt|win32 QUERY [ARGUMENT...]
# qt runs build/src/hosts/vesko (VESKO=PATH for another), win32 runs
# build-win/src/hosts/Vesko.exe under Wine. ARGUMENTs go to the program
# (--catalogues DIR, say). VESKO_SCREENSHOT_SIZE=WIDTHxHEIGHT resizes the
# window before the picture, to see how the controls follow a resize;
# VESKO_SCREEN=WIDTHxHEIGHT sizes the virtual screen (900x620).
# Needs Xvfb, xdotool and ImageMagick's import.
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: $0 OUTPUT.png qt|win32 QUERY [ARGUMENT...]" >&2; exit 2; }
output=$(realpath -m "$1")
flavour=$2
query=$3
shift 3
cd "$(dirname "$0")/.."
case "$flavour" in
  qt) program=(${VESKO:-build/src/hosts/vesko}) ;;
  win32) program=(wine "${VESKO:-build-win/src/hosts/Vesko.exe}") ;;
  *) echo "qt or win32, not $flavour" >&2; exit 2 ;;
esac

source scripts/virtual-display.sh
start_virtual_display "${VESKO_SCREEN:-900x620}"
export WINEDEBUG=-all
"${program[@]}" "$@" &
program_pid=$!
wait_for_window '^Vesko$' 300
sleep 2  # lets it read the catalogues and paint
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window" || true
xdotool type --delay 60 --window "$window" "$query"
sleep 3  # lets the last search end and the list paint
if [ -n "${VESKO_SCREENSHOT_SIZE:-}" ]; then
  xdotool windowsize "$window" "${VESKO_SCREENSHOT_SIZE%x*}" "${VESKO_SCREENSHOT_SIZE#*x}"
  sleep 2  # lets it lay the controls out anew and paint
fi
import -window root "$output"
echo "$output"

#!/bin/sh
# Korvint.exe where its window cannot be created: Wine without a display, as
# Windows in a session without a usable desktop (a scheduled task, an
# exhausted desktop heap). A batch run goes on without the window and ends
# with its exit code; a start for the window ends with 2 and says why; nothing
# is scanned from the empty boxes of a window that does not exist.
# Vesko.exe likewise: its window start ends with 2 and says why.
# Usage: batch_without_window.sh EMULATOR KORVINT_EXE VESKO_EXE
#
# Wine keeps one desktop per running wineserver: the runs here start a server
# of their own without a display (after the window tests' one has ended) and
# end it before other tests run (the test runs alone).
set -u
emulator=$1
program=$2
vesko=$3
work=$(mktemp -d)
wineserver -w 2>/dev/null
trap 'rm -rf "$work"; wineserver -k 2>/dev/null; wineserver -w 2>/dev/null' EXIT
mkdir -p "$work/data/sub" "$work/out" "$work/here"
printf one >"$work/data/a.txt"
printf two >"$work/data/sub/b.txt"
printf 'the good catalogue\r\n' >"$work/out/usb.lst"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# The Windows form of a path: drive Z: is the root of the file system.
win() { printf 'Z:%s' "$1" | tr / '\\'; }
run() { (cd "$work/here" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 120 "$emulator" "$program" "$@" 2>"$work/err"); }

run "/$(win "$work/data")\\" "/$(win "$work/out/a.lst")"
status=$?
[ "$status" -eq 0 ] || fail "batch run: status $status: $(cat "$work/err")"
grep -q "a.txt	3	" "$work/out/a.lst" || fail "batch run: no catalogue"
grep -q "b.txt	3	" "$work/out/a.lst" || fail "batch run: the sub-folder is missing"

run "/$(win "$work/no such disk")\\" "/$(win "$work/out/usb.lst")"
status=$?
[ "$status" -eq 1 ] || fail "failed batch run: status $status"
grep -q "no such disk" "$work/err" || fail "failed batch run: the reason is missing: $(cat "$work/err")"
[ "$(cat "$work/out/usb.lst")" = "$(printf 'the good catalogue\r\n')" ] || fail "the earlier catalogue changed"

run "/$(win "$work/data")\\"
status=$?
[ "$status" -eq 2 ] || fail "window start: status $status"
grep -q "cannot open the window" "$work/err" || fail "window start: no reason: $(cat "$work/err")"

(cd "$work/here" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 120 "$emulator" "$vesko" --catalogues "$(win "$work/out")" 2>"$work/err")
status=$?
[ "$status" -eq 2 ] || fail "Vesko window start: status $status"
grep -q "cannot open the window" "$work/err" || fail "Vesko window start: no reason: $(cat "$work/err")"

[ -z "$(ls -A "$work/here")" ] || fail "something was written in the current folder: $(ls -A "$work/here")"
echo "batch runs without a window: ok"

#!/usr/bin/env bash
# Checks what a user installs, from a build that is already made:
#   scripts/install-test.sh BUILD          Linux: cmake --install into a
#       temporary prefix, the launchers, icons and manual pages there, the
#       installed korvint run on a small tree (with and without its window),
#       vesko searching its catalogue and opening its window, then the Debian
#       package: its dependencies, lintian, and both programs run from the
#       unpacked package.
#   scripts/install-test.sh --zip BUILD    Windows: the zip holds Korvint.exe,
#       Vesko.exe and README.txt.
set -euo pipefail

fail() {
  echo "install-test: $*" >&2
  exit 1
}

if [ "${1-}" = --zip ]; then
  build=$(cd "$2" && pwd)
  (cd "$build" && cpack -G ZIP >/dev/null)
  zip=$(ls "$build"/Korvint-*-win64.zip)
  listing=$(cmake -E tar tf "$zip")
  for file in Korvint.exe Vesko.exe README.txt; do
    grep -q "/$file\$" <<<"$listing" || fail "$zip lacks $file"
  done
  echo "install-test: $(basename "$zip") holds Korvint.exe, Vesko.exe and README.txt"
  exit 0
fi

build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TZ=UTC

# A small tree, its catalogue expected to hold these lines.
mkdir -p "$work/tree/sub"
printf 'hello' >"$work/tree/a.txt"
printf 'twelve bytes' >"$work/tree/sub/b.txt"
touch -d '2021-03-04 05:06:07' "$work/tree/a.txt" "$work/tree/sub/b.txt"

# Runs `KORVINT ROOT OUTPUT` with the environment given before it and checks
# the catalogue: exit status 0, both files listed.
scan_with() {
  local what=$1 output=$2
  shift 2
  "$@" "$work/tree" "$output" || fail "$what: exit status $?"
  grep -q $'^a.txt\t5\t 2021.3.4\t5:6.7\r$' "$output" || fail "$what: a.txt missing in $output"
  grep -q $'^b.txt\t12\t' "$output" || fail "$what: b.txt missing in $output"
}

# Runs `VESKO --count a.txt` over the catalogues in $work without a display,
# then `VESKO --catalogues $work` with its window (offscreen) until it has
# loaded its window module, and closes it with SIGTERM: exit status 0.
vesko_with() {
  local what=$1 vesko=$2
  local found
  found=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$vesko" --catalogues "$work" --count a.txt) ||
    fail "$what: the search ends with $?"
  [ "$found" -ge 1 ] || fail "$what: found $found a.txt"
  env QT_QPA_PLATFORM=offscreen "$vesko" --catalogues "$work" &
  local pid=$! status=0
  for _ in $(seq 300); do
    grep -q vesko-window.so "/proc/$pid/maps" 2>/dev/null && break
    sleep 0.1
  done
  grep -q vesko-window.so "/proc/$pid/maps" 2>/dev/null || fail "$what: the window module is not loaded"
  sleep 1  # the window is up and watches for the signal
  kill -TERM "$pid"
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || fail "$what: the window ends with $status"
}

echo "== cmake --install into a temporary prefix"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/korvint bin/vesko lib/korvint/korvint-window.so lib/korvint/vesko-window.so \
  share/applications/korvint.desktop share/applications/vesko.desktop \
  share/icons/hicolor/scalable/apps/korvint.svg share/icons/hicolor/scalable/apps/vesko.svg \
  share/man/man1/korvint.1 share/man/man1/vesko.1 share/doc/korvint/README.md; do
  [ -e "$prefix/$file" ] || fail "not installed: $file"
done
desktop-file-validate "$prefix"/share/applications/*.desktop || fail "a launcher is not valid"
for page in "$prefix"/share/man/man1/*.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
done
# A batch run without a display, or a search, must not even load the window toolkit.
for program in korvint vesko; do
  if ldd "$prefix/bin/$program" | grep -q libQt; then fail "bin/$program links Qt"; fi
done
version=$("$prefix/bin/korvint" --version)
[ "$version" = "korvint $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")" ] ||
  fail "korvint --version says \"$version\""
"$prefix/bin/korvint" --help | grep -q 'Exit status' || fail "korvint --help shows no exit status"
scan_with "installed korvint without a display" "$work/plain.lst" \
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/korvint"
scan_with "installed korvint with its window" "$work/window.lst" \
  env QT_QPA_PLATFORM=offscreen "$prefix/bin/korvint"
vesko_with "installed vesko" "$prefix/bin/vesko"
echo "installed and ran: $(cd "$prefix" && find . -type f | sort | tr '\n' ' ')"

echo "== Debian package"
rm -f "$build"/korvint_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/korvint_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "$(basename "$deb"): Depends: $depends"
for library in libc6 libstdc++6 libqt6widgets6; do
  grep -q "$library" <<<"$depends" || fail "the package does not depend on $library"
done
lintian --fail-on error "$deb" || fail "lintian finds errors in $deb"
dpkg-deb -x "$deb" "$work/unpacked"
scan_with "korvint from the package" "$work/deb.lst" \
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/unpacked/usr/bin/korvint"
scan_with "korvint from the package, with its window" "$work/deb-window.lst" \
  env QT_QPA_PLATFORM=offscreen "$work/unpacked/usr/bin/korvint"
vesko_with "vesko from the package" "$work/unpacked/usr/bin/vesko"
echo "install-test: the install, its launchers and manual pages, and the package pass"

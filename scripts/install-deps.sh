#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Korvint need,
# only those that are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest
  qt6-base-dev libxtst-dev
  g++-mingw-w64-x86-64-posix wine wine64
  xvfb xauth xdotool imagemagick x11-utils
  clang libclang-rt-14-dev
  libutf8proc-dev
  dpkg-dev file lintian desktop-file-utils man-db
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"

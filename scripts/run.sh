#!/usr/bin/env bash
# Sets up, builds and starts korvint (Linux). Arguments go to the program:
#   scripts/run.sh                  the window
#   scripts/run.sh ROOT OUTPUT      a catalogue of ROOT in OUTPUT
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVINT_BUILD_TESTS=OFF >/dev/null
cmake --build build -j2 --target korvint
exec build/src/hosts/korvint "$@"

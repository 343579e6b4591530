#!/usr/bin/env bash
# Sets up, builds and starts korvint (Linux). Arguments go to the program:
#   scripts/run.sh                  the window
#   scripts/run.sh ROOT OUTPUT      a catalogue of ROOT in OUTPUT
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# A build folder of its own: the test command's folders keep their options.
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVINT_BUILD_TESTS=OFF >/dev/null
cmake --build build-run -j2 --target korvint
exec build-run/src/hosts/korvint "$@"

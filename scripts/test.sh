#!/usr/bin/env bash
# Sets up, builds both flavours and runs every test:
#   0. the layer rules over every #include (scripts/check-layers.sh)
#   1. Linux with the Qt window (window tests offscreen)
#   2. the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   3. the libFuzzer targets, a few seconds each with a fixed seed
#   4. Windows (MinGW-w64), its tests under Wine and Xvfb (scripts/wine-tests.sh)
#   5. the install and the packages (scripts/install-test.sh), from builds 1 and 4
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=2
export CTEST_OUTPUT_ON_FAILURE=1
export WINEDEBUG=-all

stage() { echo "== $1 ($(date -u +%T) UTC)"; }

stage "Layers"
scripts/check-layers.sh

# Every option is set, so a folder configured otherwise before (by hand, say)
# runs the tests all the same; an empty test list is a failure, not a pass.
# The Linux and Windows builds are Release builds, as packaged: debug
# information took a third of their compile and link time.
stage "Linux"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVINT_BUILD_TESTS=ON -DKORVINT_WITH_QT=ON \
  -DKORVINT_SANITIZE=OFF -DKORVINT_FUZZ=OFF >/dev/null
cmake --build build -j"$jobs"
(cd build && QT_QPA_PLATFORM=offscreen ctest -j"$jobs" --timeout 300 --no-tests=error)

stage "Linux with sanitizers"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVINT_BUILD_TESTS=ON -DKORVINT_WITH_QT=ON \
  -DKORVINT_SANITIZE=ON -DKORVINT_FUZZ=OFF >/dev/null
cmake --build build-asan -j"$jobs"
# layer_rules tests a shell script, which the Linux stage has run already.
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 QT_QPA_PLATFORM=offscreen \
  ctest -j"$jobs" --timeout 300 --no-tests=error -E "^layer_rules$")

stage "Fuzz targets (briefly; run them longer by hand)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DKORVINT_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$jobs" --target fuzz_targets
fuzzed=0
for target in build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  "$target" -seed=1 -max_total_time=3 2>&1 | tail -n 1
  fuzzed=$((fuzzed + 1))
done
[ "$fuzzed" -gt 0 ] || { echo "no fuzz target was built" >&2; exit 1; }

stage "Windows (MinGW-w64, tests under Wine)"
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DKORVINT_BUILD_TESTS=ON -DKORVINT_SANITIZE=OFF -DKORVINT_FUZZ=OFF >/dev/null
cmake --build build-win -j"$jobs"
scripts/wine-tests.sh build-win $((jobs * 2))

stage "Install and packages"
scripts/install-test.sh build
scripts/install-test.sh --zip build-win

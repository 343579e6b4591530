#!/usr/bin/env bash
# Runs the test suites on a machine kept busy: two processor hogs and a disk
# writer (stress-ng) run throughout, while the native suite runs five times in
# a row and the Windows suite (under Wine) twice. A test that depends on
# timing fails here sooner or later. Not part of the test command.
#   scripts/stress-test.sh [--native-runs N] [--windows-runs M]
# A count of 0 skips that suite and its build.
set -euo pipefail
cd "$(dirname "$0")/.."
usage() {
  echo "usage: $0 [--native-runs N] [--windows-runs M]   (defaults: 5 and 2)" >&2
  exit 2
}
native_runs=5
windows_runs=2
while [ $# -gt 0 ]; do
  case $1 in
    --native-runs) [ $# -ge 2 ] || usage; native_runs=$2; shift 2 ;;
    --windows-runs) [ $# -ge 2 ] || usage; windows_runs=$2; shift 2 ;;
    *) usage ;;
  esac
done
for count in "$native_runs" "$windows_runs"; do
  [[ $count =~ ^[0-9]+$ ]] || usage
done
scripts/install-deps.sh
if ! command -v stress-ng >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends stress-ng
fi

jobs=2
export CTEST_OUTPUT_ON_FAILURE=1
export WINEDEBUG=-all

# The same builds as the test command, before the load starts.
if [ "$native_runs" -gt 0 ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVINT_BUILD_TESTS=ON -DKORVINT_WITH_QT=ON \
    -DKORVINT_SANITIZE=OFF -DKORVINT_FUZZ=OFF >/dev/null
  cmake --build build -j"$jobs"
fi
if [ "$windows_runs" -gt 0 ]; then
  cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKORVINT_BUILD_TESTS=ON -DKORVINT_SANITIZE=OFF -DKORVINT_FUZZ=OFF >/dev/null
  cmake --build build-win -j"$jobs"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi

scratch=$(mktemp -d)
stress-ng --cpu 2 --hdd 1 --hdd-bytes 256M --temp-path "$scratch" --timeout 0 --quiet &
load=$!
stop_load() {
  kill "$load" 2>/dev/null || true
  wait "$load" 2>/dev/null || true
  rm -rf "$scratch"
}
trap stop_load EXIT
echo "Load: stress-ng (pid $load): 2 processor hogs, 1 disk writer in $scratch"

failed=0
results=()
run() {
  local label=$1 folder=$2
  shift 2
  local started=$SECONDS
  echo "== $label"
  if (cd "$folder" && "$@"); then
    results+=("$label: passed in $((SECONDS - started)) s")
  else
    results+=("$label: FAILED after $((SECONDS - started)) s")
    failed=$((failed + 1))
  fi
}
# The load makes every program several times slower (under Wine, starting a
# process and creating files above all): a test program gets a far longer
# ceiling than in the test command, since what is tested here is that the
# tests hold, not how fast they run.
for i in $(seq "$native_runs"); do
  run "native run $i of $native_runs" build env QT_QPA_PLATFORM=offscreen \
    ctest -j"$jobs" --timeout 900 --no-tests=error
done
for i in $(seq "$windows_runs"); do
  run "Windows run $i of $windows_runs" build-win xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest -j"$jobs" --timeout 1800 --no-tests=error
done

echo "== Under load ($(nproc) processors, load average $(cut -d' ' -f1-3 /proc/loadavg) at the end)"
printf '%s\n' "${results[@]}"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# scripts/check-layers.sh passes this repository and fails, naming the rule,
# on trees with one include that points the wrong way.
#   tests/layers/check_layers_test.sh REPOSITORY
set -uo pipefail
repository=$1
check=$repository/scripts/check-layers.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

"$check" "$repository" >/dev/null || { echo "FAIL: the repository itself breaks the layer rules"; failed=1; }

# expect_broken FILE INCLUDE MESSAGE: a tree whose FILE includes INCLUDE fails with MESSAGE.
expect_broken() {
  local file=$1 include=$2 message=$3
  rm -rf "$scratch/tree" && mkdir -p "$scratch/tree/$(dirname "$file")"
  printf '#include "platform/status.h"\n%s\n' "$include" >"$scratch/tree/$file"
  local output
  if output=$("$check" "$scratch/tree" 2>&1); then
    echo "FAIL: $file with $include passed"
    failed=1
  elif [[ $output != *"$message"* ]]; then
    echo "FAIL: $file with $include said: $output"
    failed=1
  fi
}

expect_broken src/engine/walker.cpp '#include "ui/form1.h"' \
  "src/engine/walker.cpp:2 includes ui/form1.h: engine may include only catalogue, platform"
expect_broken src/platform/posix/clock.cpp '#include "engine/walker.h"' \
  "platform may include no other layer"
expect_broken src/jobs/scan_job.cpp '#include "shell/vesko_launcher.h"' "jobs may include only ui, engine, search, catalogue, platform"
expect_broken src/ui/form1.cpp '#include "hosts/qt/qt_form.h"' "ui may include only engine, search, catalogue, platform"
expect_broken src/hosts/qt/qt_main.cpp '#include "hosts/headless/headless_form.h"' "hosts/qt may include only app"
expect_broken src/search/query.cpp '#include "engine/walker.h"' "search may include only catalogue, platform"
expect_broken src/catalogue/parse_lines.cpp '#include "search/catalogue.h"' "catalogue may include only platform"
expect_broken src/app/start_up.cpp '#include <windows.h>' "only platform/ calls the operating system"
expect_broken tests/jobs/scan_test.cpp '#include "app/start_up.h"' "jobs may include only"

[ $failed -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $failed

#!/usr/bin/env bash
# Checks that every #include in src/ and tests/ points down the layers:
#   scripts/check-layers.sh [ROOT]      (ROOT: a repository, by default this one)
# Prints each include that breaks a rule, naming the rule, and exits 1 if any
# does. docs/architecture.md explains the layers.
set -euo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root"

# The layers, lowest first: what a folder may include besides its own headers.
declare -A below=(
  [platform]=""
  [catalogue]="platform"
  [engine]="catalogue platform"
  [search]="catalogue platform"
  [ui]="engine search catalogue platform"
  [jobs]="ui engine search catalogue platform"
  [shell]="ui engine search catalogue platform"
  [app]="jobs shell ui engine search catalogue platform"
  [hosts/headless]="app jobs shell ui engine search catalogue platform"
  [hosts/qt]="app jobs shell ui engine search catalogue platform"
  [hosts/win32]="app jobs shell ui engine search catalogue platform"
  # The programs' main() in hosts/ choose among the hosts.
  [hosts]="hosts/headless hosts/qt hosts/win32 app jobs shell ui engine search catalogue platform"
)

# Tests follow the rules of the layer they test, with these additions:
# support/, reliability/, fuzz/ and layers/ test the whole program and may
# include anything; the platform's Windows tests read what the folder source
# gives through the engine's walker and the catalogue's line format.
declare -A tests_also=(
  [platform]="engine catalogue"
)
whole_program_tests='^(support|reliability|fuzz|layers)/'

# Only the platform layer calls the operating system, only the hosts a toolkit.
toolkit_header='^(windows|windowsx|commctrl|shlobj|shlwapi|objbase|shellapi|winreg)\.h$|^Q[A-Za-z]*$|^Qt[A-Za-z]*/|^X11/'
system_header='^(unistd|fcntl|dirent|signal|pthread)\.h$|^sys/|^csignal$'

# Sets `layer` to the layer of a path below src/ or tests/: "engine/walker.h"
# gives engine, "hosts/qt/qt_form.h" hosts/qt, "hosts/main_posix.cpp" hosts,
# a bare file name "".
layer_of() {
  local path=$1
  case "$path" in
    hosts/*/*) path=${path#hosts/}; layer="hosts/${path%%/*}" ;;
    hosts/*) layer=hosts ;;
    */*) layer=${path%%/*} ;;
    *) layer="" ;;
  esac
}

failures=0
complain() {
  echo "$1" >&2
  failures=$((failures + 1))
}

check_file() {
  local file=$1 tree=$2
  local relative=${file#"$tree"/}
  local layer
  layer_of "$relative"
  local own=$layer anything=false
  if [ "$tree" = tests ] && [[ $relative =~ $whole_program_tests ]]; then
    anything=true
  elif [ -z "${below[$own]+set}" ]; then
    complain "$file: lies in no layer folder (platform, catalogue, engine, search, ui, jobs, shell, app, hosts/...)"
    return
  fi
  local allowed="${below[$own]-}"
  [ "$tree" = tests ] && allowed="$allowed ${tests_also[$own]-}"

  local number line target
  while IFS=: read -r number line; do
    if [[ $line =~ include[[:space:]]*\"([^\"]+)\" ]]; then
      target=${BASH_REMATCH[1]}
    elif [[ $line =~ include[[:space:]]*\<([^\>]+)\> ]]; then
      target=${BASH_REMATCH[1]}
      if [ "$tree" = src ] && [[ $target =~ $toolkit_header || $target =~ $system_header ]]; then
        case "$own" in
          platform | hosts | hosts/*) ;;
          *) complain "$file:$number includes <$target>: only platform/ calls the operating system and only hosts/ a window toolkit" ;;
        esac
        continue
      fi
    else
      continue
    fi
    # A helper of another test folder, named relative to this one.
    if [ "$tree" = tests ]; then
      while [[ $target == ../* ]]; do target=${target#../}; done
    fi
    layer_of "$target"
    [ -n "$layer" ] || continue                # a header beside the file
    [ -n "${below[$layer]+set}" ] || continue  # support/, gtest/, a system header
    [ "$layer" = "$own" ] && continue
    [ "$anything" = true ] && continue
    case " $allowed " in *" $layer "*) continue ;; esac
    local rule="$own may include only ${allowed// /, }"
    [[ $allowed =~ ^[[:space:]]*$ ]] && rule="$own may include no other layer"
    rule=${rule%, }
    complain "$file:$number includes $target: $rule"
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
}

for tree in src tests; do
  [ -d "$tree" ] || continue
  while IFS= read -r -d '' file; do
    check_file "$file" "$tree"
  done < <(find "$tree" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
done

if [ "$failures" -gt 0 ]; then
  echo "check-layers: $failures include(s) break the layer rules (see docs/architecture.md)" >&2
  exit 1
fi
echo "check-layers: every include in src/ and tests/ points down the layers"

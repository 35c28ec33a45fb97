#!/usr/bin/env bash
# Checks formatting and runs the curated clang-tidy set (.clang-tidy) over the
# program's sources. Needs a build folder with compile_commands.json (default ./build).
#   scripts/lint.sh [build folder] [format|tidy|all]
# LINT_BASE=<commit> limits both checks to the files changed since that commit;
# without it every tracked file is checked (formatting takes about a second).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
what=${2:-all}
cd "$root"

changed() {
  if [ -n "${LINT_BASE:-}" ]; then
    git diff --name-only --diff-filter=d "$LINT_BASE" -- "$@"
  else
    git ls-files "$@"
  fi
}

if [ "$what" != tidy ]; then
  files=$(changed 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp')
  if [ -n "$files" ]; then
    echo "clang-format: $(echo "$files" | wc -l) files"
    # shellcheck disable=SC2086
    clang-format --dry-run --Werror $files
  fi
fi

if [ "$what" != format ]; then
  sources=$(changed 'src/*.cpp')
  if [ -n "$sources" ]; then
    echo "clang-tidy: $(echo "$sources" | wc -l) files"
    status=0
    out=$(echo "$sources" | xargs -P "$(nproc)" -n 4 clang-tidy -quiet -p "$build" 2>&1) || status=$?
    # clang-tidy's own chatter (counts of warnings in system headers) is left out.
    echo "$out" | grep -v -E 'warnings? generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter' || true
    exit "$status"
  fi
fi

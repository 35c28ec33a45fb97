#!/usr/bin/env bash
# Checks formatting and runs clang-tidy over the program's sources (needs a build
# folder with compile_commands.json, by default ./build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cd "$root"
files=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'fuzz/*.cpp')
clang-format --dry-run --Werror $files
git ls-files 'src/*.cpp' | xargs -P "$(nproc)" -n 4 clang-tidy -quiet -p "$build"

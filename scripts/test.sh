#!/usr/bin/env bash
# Sets up, builds and runs every test: the formatting check and clang-tidy, the test
# suite built with gcc in the Release configuration the README installs, the same
# suite built with clang under AddressSanitizer and UndefinedBehaviorSanitizer, a
# short run of each fuzz target, and smoke runs of the installed program. Warnings
# are errors here (PLENARVO_WERROR), never in a user's or a packager's build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
bash "$root/scripts/deps.sh"

export QT_QPA_PLATFORM=offscreen

echo "== Build and test"
# The smoke runs below drive the installed program with commands on standard input.
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLENARVO_WERROR=ON \
  -DPLENARVO_TEST_COMMANDS=ON
cmake --build "$root/build" -j"$jobs"

echo "== Formatting"
bash "$root/scripts/lint.sh" "$root/build" format

echo "== Sanitizer build (clang) and test"
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DPLENARVO_SANITIZE=ON -DPLENARVO_BENCH=OFF -DPLENARVO_WERROR=ON
cmake --build "$root/build-asan" -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"

# clang-tidy runs beside the fuzz and smoke runs, which leave a core mostly idle.
tidy_log=$(mktemp)
nice bash "$root/scripts/lint.sh" "$root/build" tidy >"$tidy_log" 2>&1 &
tidy_pid=$!

echo "== Fuzz targets, a short run each"
bash "$root/fuzz/run-short.sh" 30

echo "== The installed program in a real X server, three runs in a row"
prefix=$(mktemp -d)
cmake --install "$root/build" --prefix "$prefix" >/dev/null
for run in 1 2 3; do
  echo "-- smoke run $run"
  (unset QT_QPA_PLATFORM; bash "$root/tests/smoke/smoke.sh" "$prefix")
done
# Screenshots of the two runs below are kept for looking at.
shots="$root/build/screenshots"
rm -rf "$shots"
echo "== The same at a scale factor of 2, screenshots in build/screenshots"
(unset QT_QPA_PLATFORM; SMOKE_SCALE=2 SMOKE_SHOTS="$shots" bash "$root/tests/smoke/smoke.sh" "$prefix")
echo "== The installed program under a Wayland compositor (weston on Xvfb)"
(unset QT_QPA_PLATFORM; bash "$root/tests/smoke/wayland.sh" "$prefix" "$shots")
rm -rf "$prefix"

echo "== clang-tidy"
tidy_status=0
wait "$tidy_pid" || tidy_status=$?
cat "$tidy_log"
rm -f "$tidy_log"
if [ "$tidy_status" -ne 0 ]; then
  echo "clang-tidy found problems"
  exit "$tidy_status"
fi

echo "== Tests"
ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

#!/usr/bin/env bash
# Sets up, builds and runs every test: the test suite, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of each fuzz target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
bash "$root/scripts/deps.sh"

export QT_QPA_PLATFORM=offscreen

echo "== Build and test"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j"$jobs"

echo "== Sanitizer build and test"
cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPLENARVO_SANITIZE=ON \
  -DPLENARVO_BENCH=OFF
cmake --build "$root/build-asan" -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"

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

echo "== Tests"
ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

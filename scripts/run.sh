#!/usr/bin/env bash
# Sets up, builds and starts the viewer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DPLENARVO_TESTS=OFF -DPLENARVO_BENCH=OFF
cmake --build "$root/build-release" -j"$(nproc)" --target plenarvo
exec "$root/build-release/src/app/plenarvo"

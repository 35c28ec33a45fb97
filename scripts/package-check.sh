#!/usr/bin/env bash
# Builds the Debian package, installs it in a fresh Debian 12 root made with
# debootstrap, and starts it there (offscreen) to see that it runs. Needs root and
# a few minutes; not part of the test command.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh"
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap

build="$root/build-pkg"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLENARVO_TESTS=OFF \
  -DPLENARVO_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/plenarvo_*.deb | head -1)

chroot_dir=$(mktemp -d)
trap 'umount "$chroot_dir/proc" 2>/dev/null || true; rm -rf "$chroot_dir"' EXIT
debootstrap --variant=minbase bookworm "$chroot_dir" >/dev/null
cp "$deb" "$chroot_dir/tmp/"
mount -t proc proc "$chroot_dir/proc"
chroot "$chroot_dir" /bin/bash -c "
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq /tmp/$(basename "$deb") >/dev/null
  cd /tmp && HOME=/tmp QT_QPA_PLATFORM=offscreen timeout 6 plenarvo >/dev/null 2>&1
  test \$? -eq 124"  # still running when stopped: it started
echo "The package installs and starts in a fresh Debian 12 root."

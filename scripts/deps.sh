#!/usr/bin/env bash
# Installs what building, running and testing Plenarvo needs on Debian 12 or Ubuntu.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6printsupport6 libgl-dev zlib1g-dev
  googletest libgtest-dev
  clang clang-tidy clang-format
  fonts-liberation2 fonts-dejavu-core
  xvfb xauth openbox x11-utils xdotool imagemagick
  libjpeg-turbo-progs libvips-tools poppler-utils
  desktop-file-utils appstream dpkg-dev fakeroot file groff-base
  weston qt6-wayland
  libxcb1-dev liblcms2-utils colord-data
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

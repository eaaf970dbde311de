#!/usr/bin/env bash
# Installs the Debian packages Morvane needs to build, run and test. Run as root.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format
  clang libclang-rt-14-dev
  qt6-base-dev libicu-dev libxcb1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils imagemagick
  fonts-ipafont-gothic
  librsvg2-bin desktop-file-utils appstream dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

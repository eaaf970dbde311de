#!/usr/bin/env bash
# Installs the Debian packages that are missing. Run as root.
#   setup.sh            what building and running the program needs (scripts/run.sh)
#   setup.sh --package  that, and what making the Debian package needs (scripts/package.sh)
#   setup.sh --tests    all of it, and what the tests need (scripts/test.sh)
# A new need goes into the first list that needs it.
set -euo pipefail

# A plain configure (`cmake -S . -B build`) and the program at run time. The PNG icons are
# kept in the repository, so the build needs no SVG renderer.
run_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libicu-dev
  fonts-ipafont-gothic
)

# scripts/package.sh: dpkg-buildflags and dpkg-shlibdeps; gzip packs the changelog and the
# manual page.
package_packages=(
  dpkg-dev gzip
)

# The test command: the tests and benchmarks (-DBUILD_TESTING=ON -DMORVANE_BENCH=ON), the
# sanitizer and fuzz builds, the layout check, the private X displays the window tests drive,
# the accessibility tests (AT-SPI over a session bus from dbus-run-session), the package test,
# and the manual page check.
test_packages=(
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev libxcb1-dev
  xvfb xauth xdotool x11-utils xclip imagemagick
  at-spi2-core python3-pyatspi dbus
  desktop-file-utils appstream lintian groff-base
  librsvg2-bin # scripts/render-icons.sh
)

packages=("${run_packages[@]}")
case ${1:-} in
  "") ;;
  --package) packages+=("${package_packages[@]}") ;;
  --tests) packages+=("${package_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: setup.sh [--package | --tests]" >&2; exit 2 ;;
esac

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

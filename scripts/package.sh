#!/usr/bin/env bash
# Builds the program alone with the flags Debian builds its packages with (dpkg-buildflags,
# every hardening feature on) and makes the Debian package from it: package.sh [folder]
# (build-deb by default) leaves morvane_<version>_<arch>.deb in that folder.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-deb}

# Fortified string functions, stack protector, format checks, full RELRO with BIND_NOW, PIE.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
flag() { dpkg-buildflags --get "$1"; }
# CMake has no place of its own for the preprocessor flags (_FORTIFY_SOURCE): they go with
# the compiler's. Given on every configure, so that a folder made earlier gets them too.
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=None -DBUILD_TESTING=OFF -DMORVANE_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$(flag CPPFLAGS) $(flag CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flag LDFLAGS)" >/dev/null
cmake --build "$dir" --target all -j "$(nproc)"
(cd "$dir" && cpack -G DEB)

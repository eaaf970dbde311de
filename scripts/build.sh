#!/usr/bin/env bash
# Configures and builds into a build folder, with the tests and benchmarks:
#   build.sh [folder] [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBUILD_TESTING=ON -DMORVANE_BENCH=ON "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"

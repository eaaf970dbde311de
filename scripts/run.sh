#!/usr/bin/env bash
# Installs what building and running needs, builds the program alone (no tests, no
# benchmarks) and starts it from the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# The test command turns the tests on in the same folder; the program is built the same way.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBUILD_TESTING=OFF -DMORVANE_BENCH=OFF >/dev/null
cmake --build build -j "$(nproc)"
exec build/app/morvane

#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: once as built for use, once
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --tests

jobs=$(nproc)
status=0

# Every C++ file as .clang-format lays it out.
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror || status=1
# README.ja.md has a counterpart for every section of README.md.
scripts/check-readme.sh || status=1

scripts/build.sh build -DMORVANE_WERROR=ON
(cd build && ctest --output-on-failure -j "$jobs") || status=1
# The Debian package: built, installed, run by an ordinary user, removed.
scripts/package-test.sh build || status=1

scripts/build.sh build-asan -DMORVANE_WERROR=ON -DMORVANE_SANITIZE=ON -DMORVANE_BENCH=OFF
(cd build-asan &&
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions="$PWD/../tests/lsan.supp" \
  ctest --output-on-failure -j "$jobs") || status=1

# The fuzz targets, built with clang, replay their seed corpora once.
scripts/build.sh build-fuzz -DMORVANE_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
(cd build-fuzz && ctest --output-on-failure -j "$jobs") || status=1

exit $status

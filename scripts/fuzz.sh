#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while: fuzz.sh [seconds] [target...]
# (60 seconds each by default, every target when none is named). New inputs go to
# build-fuzz/corpus/<target>, failing ones to build-fuzz/findings/<target>; the seeds in
# fuzz/corpus are read, never written.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(fuzz_watch_list fuzz_ini fuzz_settings fuzz_content fuzz_codec)

scripts/build.sh build-fuzz -DMORVANE_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
status=0
for target in "${targets[@]}"; do
  work=build-fuzz/corpus/$target
  findings=build-fuzz/findings/$target
  mkdir -p "$work" "$findings"
  echo "== $target, $seconds s"
  log=build-fuzz/findings/$target.log
  if ! build-fuzz/fuzz/"$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
    status=1
    grep -E -A20 '^(==[0-9]+==|property does not hold)' "$log" | head -40
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
done
exit $status

#!/usr/bin/env bash
# Builds the fuzz targets with clang (AddressSanitizer + UBSan) into build-fuzz/, writes their seed
# corpus from the fake servers' answers, and runs each target for a bounded time. Fails when a target
# finds a crash; the input is kept in build-fuzz/fuzz/artifacts/.
#
#   fuzz/run.sh                      every target, 20 s each
#   FUZZ_SECONDS=300 fuzz/run.sh     longer runs
#   fuzz/run.sh NewsFuzzer           one target
#
# The corpus each run finds grows in build-fuzz/fuzz/corpus/<target>/ and is used by the next run.
set -euo pipefail
cd "$(dirname "$0")/.."

dir="${VIREL_FUZZ_DIR:-build-fuzz}"
seconds="${FUZZ_SECONDS:-20}"

CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVIREL_FUZZ=ON -DVIREL_SANITIZE=ON -DVIREL_BUILD_GUI=OFF -DVIREL_BUILD_TESTS=OFF >/dev/null
cmake --build "$dir" --target virel_fuzz

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/.ci/lsan.supp:print_suppressions=0}"

work="$dir/fuzz"
rm -rf "$work/seeds"
"$dir/bin/virel-fuzz-seeds" "$work/seeds"

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for seeds in "$work"/seeds/*/; do
    targets+=("$(basename "$seeds")")
  done
fi

summary=()
for target in "${targets[@]}"; do
  mkdir -p "$work/corpus/$target" "$work/artifacts"
  log="$work/$target.log"
  echo "fuzz: $target for ${seconds}s"
  if ! "$dir/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/$target-" "$work/corpus/$target" "$work/seeds/$target" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $target FAILED (input in $work/artifacts/, log in $log)"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  corpus=$(find "$work/corpus/$target" -type f | wc -l)
  summary+=("$(printf '%-22s %10s runs %7s/s %6s corpus' "$target" "$runs" "$speed" "$corpus")")
done
printf '%s\n' "${summary[@]}"

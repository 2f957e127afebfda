#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz/ (or
# $QBOOK_FUZZ_BUILD_DIR) and runs each of them for a given time, or for a given
# number of executions:
#
#   bash scripts/run-fuzzers.sh [SECONDS_PER_TARGET] [TARGET...]   (default 20 s, every target)
#   QBOOK_FUZZ_RUNS=10000000 bash scripts/run-fuzzers.sh 0 chars    (stop after that many executions)
#
# Each target starts from its seed corpus fuzz/corpus/<target>/ and keeps what
# it learns in build-fuzz/corpus/<target>/; an input that breaks a property is
# saved as build-fuzz/findings/<target>-crash-*. QBOOK_FUZZ_NICE sets the
# niceness (0 unless set). Exit status 1 when any target found something.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QBOOK_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-20}"
shift || true
all=(searchkey chars numbers settings statement codec rtf)
targets=("${@:-${all[@]}}")
runs="${QBOOK_FUZZ_RUNS:-0}"
nice_level="${QBOOK_FUZZ_NICE:-0}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
  -DQBOOK2_FUZZ=ON -DQBOOK2_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzzers

mkdir -p "$build/findings" "$build/logs"
failed=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  limits=(-max_total_time="$seconds")
  [ "$runs" -gt 0 ] && limits=(-runs="$runs")
  [ "$runs" -gt 0 ] && [ "$seconds" -gt 0 ] && limits+=(-max_total_time="$seconds")
  log="$build/logs/$target.log"
  status=0
  # Leaks are checked by the sanitizer suite; here they would stop a run on the
  # toolkit's and the client library's process-lifetime allocations.
  ASAN_OPTIONS=detect_leaks=0 nice -n "$nice_level" "$build/fuzz/fuzz_$target" "${limits[@]}" \
    -print_final_stats=1 -timeout=20 -rss_limit_mb=2048 -artifact_prefix="$build/findings/$target-" \
    "$corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  elapsed=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  if [ "$status" -ne 0 ]; then
    failed=1
    echo "fuzz_$target: FINDING after ${executions:-?} executions (log: $log)"
    grep -m 3 -E 'property violated|ERROR: |runtime error' "$log" || true
  else
    echo "fuzz_$target: ${executions:-?} executions in ${elapsed:-?} s, no finding"
  fi
done
exit "$failed"

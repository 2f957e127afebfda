#!/usr/bin/env bash
# The reliability suite in one command:
#
#   bash scripts/run-reliability.sh          the sizes CI runs: every fuzz target
#                                            for 20 s, the whole test suite under
#                                            the sanitizers (with the stress run of
#                                            4 x 100 and the server restart test)
#   bash scripts/run-reliability.sh long     the long run: every fuzz target up to
#                                            10 million executions (at most an hour
#                                            each, niced), 8 x 500 clients at once,
#                                            and the sanitizer suite
#
# Sizes can be changed with QBOOK_FUZZ_SECONDS, QBOOK_FUZZ_RUNS,
# QBOOK_STRESS_CLIENTS and QBOOK_STRESS_ACTIONS. Expects the set-up of
# scripts/run-tests.sh (packages, the local server, the normal build).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QBOOK_BUILD_DIR:-$root/build}"
mode="${1:-ci}"

if [ "$mode" = long ]; then
  fuzz_seconds="${QBOOK_FUZZ_SECONDS:-3600}"
  export QBOOK_FUZZ_RUNS="${QBOOK_FUZZ_RUNS:-10000000}"
  export QBOOK_FUZZ_NICE="${QBOOK_FUZZ_NICE:-19}"
  clients="${QBOOK_STRESS_CLIENTS:-8}"
  actions="${QBOOK_STRESS_ACTIONS:-500}"
else
  fuzz_seconds="${QBOOK_FUZZ_SECONDS:-20}"
  clients=""
fi

status=0
echo "== fuzzing"
bash "$root/scripts/run-fuzzers.sh" "$fuzz_seconds" || status=1
if [ -n "$clients" ]; then
  echo "== $clients clients x $actions actions on one pad"
  cmake --build "$build" -j "$(nproc)" --target qbook2-stress >/dev/null
  "$build/tests/reliability/qbook2-stress" --clients "$clients" --actions "$actions" --seed 1 | tail -n 30 || status=1
fi
echo "== the test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
bash "$root/scripts/run-sanitized-tests.sh" || status=1
exit "$status"

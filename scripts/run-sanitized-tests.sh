#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ (or $QBOOK_ASAN_BUILD_DIR) and runs the whole test suite there.
# Any sanitizer report ends the program that made it, so the suite fails.
# Extra arguments go to ctest (e.g. -R memo).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QBOOK_ASAN_BUILD_DIR:-$root/build-asan}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQBOOK2_SANITIZE=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$root/tests/reliability/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 900 "$@"

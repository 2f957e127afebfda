#!/usr/bin/env bash
# Everything the tests need on a fresh Debian 12 machine: packages, a local
# Firebird server, the build and its Debian package, then every test; then,
# unless ctest arguments were given or QBOOK_SKIP_RELIABILITY is set, the
# reliability suite at its CI sizes (scripts/run-reliability.sh: fuzzing, the
# sanitizer build's suite).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup-firebird.sh"
bash "$root/scripts/build.sh"
bash "$root/scripts/build-package.sh"
build="${QBOOK_BUILD_DIR:-$root/build}"
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 "$@")
if [ "$#" -eq 0 ] && [ -z "${QBOOK_SKIP_RELIABILITY:-}" ]; then
  bash "$root/scripts/run-reliability.sh"
fi

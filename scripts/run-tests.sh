#!/usr/bin/env bash
# Everything the tests need on a fresh Debian 12 machine: packages, a local
# Firebird server, the build and its Debian package, then every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup-firebird.sh"
bash "$root/scripts/build.sh"
bash "$root/scripts/build-package.sh"
build="${QBOOK_BUILD_DIR:-$root/build}"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 "$@"

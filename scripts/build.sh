#!/usr/bin/env bash
# Configures and builds into build/ (or $QBOOK_BUILD_DIR): everything, or only
# the targets named (bash scripts/build.sh qbook2 qbook2-admin).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QBOOK_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" -j "$(nproc)" ${1:+--target "$@"}

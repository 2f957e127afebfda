#!/usr/bin/env bash
# Runs the client against a local demo database: installs what is missing,
# starts a local Firebird server, builds, prepares the demo database and
# starts build/qbook2 (under xvfb-run when there is no display).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QBOOK_BUILD_DIR:-$root/build}"

bash "$root/scripts/setup-firebird.sh"
bash "$root/scripts/build.sh"

# ---- Demo database ---------------------------------------------------------
# $QBOOK_DATA_DIR/demo/QBOOK.FDB, made once by the administration tool.
if [ -f "$root/scripts/make-demo-db.sh" ]; then
  bash "$root/scripts/make-demo-db.sh"
fi
# ----------------------------------------------------------------------------

if [ -n "${DISPLAY:-}" ]; then
  exec "$build/qbook2"
fi
echo "no DISPLAY: starting the client under xvfb-run" >&2
exec xvfb-run -a "$build/qbook2"

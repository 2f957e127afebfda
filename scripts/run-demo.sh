#!/usr/bin/env bash
# Runs the client against a local demo database: installs what is missing,
# starts a local Firebird server, builds, prepares the demo database and
# starts build/qbook2 (under xvfb-run when there is no display).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QBOOK_BUILD_DIR:-$root/build}"
data="${QBOOK_DATA_DIR:-/var/lib/qbook2}"

bash "$root/scripts/setup-firebird.sh"
bash "$root/scripts/build.sh"

# ---- Demo database ---------------------------------------------------------
# Made by the administration tool when the build has it.
admin="$build/tools/qbook2-admin"
if [ -x "$admin" ]; then
  mkdir -p "$data/demo"
  chmod 1777 "$data/demo"
  "$admin" --folder "$data/demo/" demo
fi
# ----------------------------------------------------------------------------

if [ -n "${DISPLAY:-}" ]; then
  exec "$build/qbook2"
fi
echo "no DISPLAY: starting the client under xvfb-run" >&2
exec xvfb-run -a "$build/qbook2"

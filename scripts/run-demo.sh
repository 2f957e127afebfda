#!/usr/bin/env bash
# Runs the client against a local demo database: installs what is missing,
# starts a local Firebird server, builds, prepares the demo database and the
# client's settings, and starts build/qbook2 (under xvfb-run when there is no
# display).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QBOOK_BUILD_DIR:-$root/build}"

bash "$root/scripts/setup-firebird.sh"
# The demo needs the client and the administration tool only; the tests build
# the rest (scripts/run-tests.sh).
bash "$root/scripts/build.sh" qbook2 qbook2-admin

# ---- Demo database ---------------------------------------------------------
# $QBOOK_DATA_DIR/demo/QBOOK.FDB, made once by the administration tool.
bash "$root/scripts/make-demo-db.sh"

# ---- Demo settings ---------------------------------------------------------
# The client opens ready to use: where it has no settings files yet, they are
# written for the demo database with member 1 (山田太郎, password yamada)
# identified. Files that exist are kept, with whatever the user changed.
"$build/tools/qbook2-admin" --folder "${QBOOK_DATA_DIR:-/var/lib/qbook2}/demo/" \
  write-settings "$build/qbook2" --member 1 --member-password yamada
# ----------------------------------------------------------------------------

if [ -n "${DISPLAY:-}" ]; then
  exec "$build/qbook2"
fi
echo "no DISPLAY: starting the client under xvfb-run" >&2
exec xvfb-run -a "$build/qbook2"

#!/usr/bin/env bash
# Creates the demo database $QBOOK_DATA_DIR/demo/QBOOK.FDB (QBOOK_DATA_DIR is
# /var/lib/qbook2 unless set) with demo members, groups and memo lines. Safe to
# run again: a database whose MEMBER table has rows keeps its data.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QBOOK_BUILD_DIR:-$root/build}"
folder="${QBOOK_DATA_DIR:-/var/lib/qbook2}/demo"
admin="$build/tools/qbook2-admin"

if [ ! -x "$admin" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j 2 --target qbook2-admin
fi

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# The server, which runs as the firebird user, creates the file; no one else may replace it.
as_root mkdir -p "$folder"
as_root chown firebird:firebird "$folder"
as_root chmod 0770 "$folder"
"$admin" --folder "$folder/" demo

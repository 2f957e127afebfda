#!/usr/bin/env bash
# Creates the demo database /var/lib/qbook2/demo/QBOOK.FDB with demo members,
# groups and memo lines. Safe to run again: an existing database keeps its data.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QBOOK_BUILD_DIR:-$root/build}"
folder="${QBOOK_DEMO_DIR:-/var/lib/qbook2/demo}"
admin="$build/tools/qbook2-admin"

if [ ! -x "$admin" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j 2 --target qbook2-admin
fi

# The server process runs as its own user and must be able to create the file.
mkdir -p "$folder"
chmod 0777 "$folder"
"$admin" --folder "$folder/" demo

#!/usr/bin/env bash
# A Firebird server of its own for tests that stop and start their server,
# beside the shared one on port 3050, which they must never touch:
#
#   bash scripts/private-firebird.sh start|stop|status|freeze|thaw PORT ROOT
#
# ROOT becomes the server's root folder: a copy of the system's configuration
# with RemoteServicePort set to PORT (and event connections on ports the server
# picks, so that the shared server's fixed event port stays its own), the
# security database copied from the shared server's (so SYSDBA logs in with
# the same password), and lock and temporary folders of its own. Both copies
# are made once: a test may change them (as it runs the office set-up against
# this server) and restart the server with its changes. The server
# runs as the firebird user, as scripts/setup-firebird.sh starts the shared
# one; its process id is kept in ROOT/server.pid. "stop" ends that process
# (SIGTERM, then SIGKILL) and waits until the port is free. "freeze" stops the
# process where it is (SIGSTOP), as a server that hangs or a link that went
# dead looks to its clients, and "thaw" lets it go on.
set -euo pipefail

action="${1:?start, stop or status}"
port="${2:?port}"
root="${3:?root folder}"
system_root=/usr/lib/x86_64-linux-gnu/firebird/3.0
system_conf=/etc/firebird/3.0
system_security=/var/lib/firebird/3.0/system/security3.fdb

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }
server_pid() { [ -f "$root/server.pid" ] && cat "$root/server.pid"; }
# Whether a process lives; kill -0 would answer no for the firebird user's
# process when the caller is another user without root.
alive() { [ -d "/proc/$1" ]; }
running() { local pid; pid=$(server_pid) && [ -n "$pid" ] && alive "$pid"; }

prepare() {
  as_root mkdir -p "$root/lock" "$root/tmp"
  # Everything of the system's root folder but the configuration, which is our own.
  for entry in "$system_root"/*; do
    name=$(basename "$entry")
    case "$name" in
      firebird.conf | databases.conf | plugins.conf | fbtrace.conf) ;;
      *) as_root ln -sfn "$entry" "$root/$name" ;;
    esac
  done
  as_root cp "$system_conf/plugins.conf" "$system_conf/fbtrace.conf" "$root/"
  if [ ! -f "$root/firebird.conf" ]; then
    as_root sh -c "sed -E '/^[[:space:]]*(RemoteServicePort|RemoteAuxPort|SecurityDatabase)[[:space:]]*=/d' '$system_conf/firebird.conf' > '$root/firebird.conf'"
    as_root sh -c "printf 'RemoteServicePort = %s\nRemoteAuxPort = 0\nSecurityDatabase = %s\n' '$port' '$root/security3.fdb' >> '$root/firebird.conf'"
  fi
  as_root sh -c "sed 's|^security.db = .*|security.db = $root/security3.fdb|' '$system_conf/databases.conf' > '$root/databases.conf'"
  if [ ! -f "$root/security3.fdb" ]; then
    as_root cp "$system_security" "$root/security3.fdb"
  fi
  as_root chown -R firebird:firebird "$root"
  as_root chmod 0770 "$root/lock" "$root/tmp"
}

case "$action" in
  start)
    if running && listening; then
      exit 0
    fi
    if listening; then
      echo "port $port is taken by another process" >&2
      exit 1
    fi
    prepare
    as_root su -s /bin/sh firebird -c \
      "FIREBIRD='$root' FIREBIRD_LOCK='$root/lock' FIREBIRD_TMP='$root/tmp' /usr/sbin/firebird >'$root/server.log' 2>&1 & echo \$! >'$root/server.pid'"
    for _ in $(seq 1 100); do listening && break; sleep 0.1; done
    # Another process may have taken the port meanwhile: then this server has ended.
    running && listening || { echo "private firebird did not start listening on port $port (see $root/server.log)" >&2; exit 1; }
    ;;
  stop)
    if running; then
      pid=$(server_pid)
      # A frozen server handles no SIGTERM until it goes on.
      as_root kill -CONT "$pid" 2>/dev/null || true
      as_root kill -TERM "$pid" 2>/dev/null || true
      for _ in $(seq 1 100); do alive "$pid" || break; sleep 0.1; done
      if alive "$pid"; then
        as_root kill -KILL "$pid" 2>/dev/null || true
        for _ in $(seq 1 50); do alive "$pid" || break; sleep 0.1; done
      fi
    fi
    for _ in $(seq 1 50); do listening || break; sleep 0.1; done
    ! listening
    ;;
  status)
    running && listening
    ;;
  freeze | thaw)
    running
    as_root kill "$([ "$action" = freeze ] && echo -STOP || echo -CONT)" "$(server_pid)"
    ;;
  *)
    echo "usage: $0 start|stop|status|freeze|thaw PORT ROOT" >&2
    exit 2
    ;;
esac

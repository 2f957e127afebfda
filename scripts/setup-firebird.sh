#!/usr/bin/env bash
# The set-up of a Debian 12 machine (without systemd) for the demo and the
# tests: packages, a decimal-comma locale and a local Firebird 3 server. Safe to
# run again: every step checks first.
set -euo pipefail

QBOOK_DB_PASSWORD="${QBOOK_DB_PASSWORD:-quillstem}"
QBOOK_DATA_DIR="${QBOOK_DATA_DIR:-/var/lib/qbook2}"
# The server's event port: open pads hear of changes through a second
# connection from each client to this port (a firewall must let it through).
QBOOK_EVENT_PORT="${QBOOK_EVENT_PORT:-3051}"
FIREBIRD_CONF="${FIREBIRD_CONF:-/etc/firebird/3.0/firebird.conf}"

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

packages=(qt6-base-dev libx11-dev firebird-dev libfbclient2 firebird3.0-server firebird3.0-utils
  cmake g++ make googletest libgtest-dev fonts-noto-cjk xvfb xdotool x11-apps clang-format
  qt6-translations-l10n locales dpkg-dev file clang-14 libclang-rt-14-dev libfuzzer-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "installing: ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# A locale with a decimal comma: the number conversions are tested under it.
# Listed in locale.gen, so that a later locale-gen keeps it.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null ||
    echo 'de_DE.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi

# A fixed event port instead of one the server picks for each client. Only
# the setting is written: a server that is running already takes it at its
# next start (until then events use a port it picks, which works wherever no
# firewall stands between client and server), so no running server is
# restarted here.
event_port_line="RemoteAuxPort = $QBOOK_EVENT_PORT"
if ! grep -qxF "$event_port_line" "$FIREBIRD_CONF"; then
  as_root sed -i -e '/^[[:space:]]*RemoteAuxPort[[:space:]]*=/d' -e '/^# qbook2: the port of event connections/d' "$FIREBIRD_CONF"
  printf '# qbook2: the port of event connections, for firewalls\n%s\n' "$event_port_line" |
    as_root tee -a "$FIREBIRD_CONF" >/dev/null
  event_port_set=1
fi

listening() { (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; }

if listening; then
  if [ -n "${event_port_set:-}" ]; then
    echo "event port $QBOOK_EVENT_PORT set in $FIREBIRD_CONF; the running server takes it at its next start"
  fi
else
  as_root mkdir -p /run/firebird3.0 /var/run/firebird/3.0
  as_root chown firebird:firebird /run/firebird3.0 /var/run/firebird/3.0
  as_root su -s /bin/sh firebird -c '/usr/sbin/firebird >/dev/null 2>&1 &'
  for _ in $(seq 1 50); do listening && break; sleep 0.2; done
  listening || { echo "firebird did not start listening on localhost:3050" >&2; exit 1; }
fi

# SYSDBA gets the client's default database password, unless it already has it
# or the office set-up (scripts/setup-office-server.sh) gave it one of its own.
if grep -q '^# qbook2 office server' "$FIREBIRD_CONF"; then
  echo "an office server: SYSDBA keeps its password (/etc/firebird/3.0/SYSDBA.password)"
elif ! echo 'quit;' | isql-fb -q -user SYSDBA -password "$QBOOK_DB_PASSWORD" "localhost:employee" >/dev/null 2>&1 &&
   ! gsec -user SYSDBA -password "$QBOOK_DB_PASSWORD" -display >/dev/null 2>&1; then
  installed=$(sed -n 's/^ISC_PASSWORD="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' /etc/firebird/3.0/SYSDBA.password)
  as_root gsec -user SYSDBA -password "$installed" -modify SYSDBA -pw "$QBOOK_DB_PASSWORD"
  as_root sed -i "s/^ISC_PASSWORD=.*/ISC_PASSWORD=\"$QBOOK_DB_PASSWORD\"/" /etc/firebird/3.0/SYSDBA.password
fi

# A data folder the server may create databases in (tests make one folder per
# suite below it, as root or as a member of the firebird group); no one else
# may replace or plant a file there.
as_root mkdir -p "$QBOOK_DATA_DIR"
as_root chown firebird:firebird "$QBOOK_DATA_DIR"
as_root chmod 0770 "$QBOOK_DATA_DIR"
echo "firebird ready on localhost:3050 (events on port $QBOOK_EVENT_PORT), data folder $QBOOK_DATA_DIR"

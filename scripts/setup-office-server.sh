#!/usr/bin/env bash
# The server PC of an office (Debian 12, as root): a Firebird 3 server that the
# other PCs reach on fixed ports, SYSDBA with a random password of its own, the
# database with the client login that every PC uses, and a daily backup. Safe
# to run again: what is in place is kept. It ends by printing what each PC
# enters in the client's settings dialog.
#
# Every target may be set, so that a test can run it against a server of its own:
#   QBOOK_OFFICE_DIR        folder of QBOOK.FDB                  /srv/qbook2
#   QBOOK_SERVER_NAME       the server as the PCs enter it       first address of hostname -I
#   QBOOK_CLIENT_USER       database login of the PCs            QBOOK
#   QBOOK_PORT              database port                        3050
#   QBOOK_EVENT_PORT        event port (live pads)               3051
#   QBOOK_BIND_ADDRESS      the one address to listen on         empty: every address
#   FIREBIRD_CONF           the server's configuration           /etc/firebird/3.0/firebird.conf
#   QBOOK_SYSDBA_PASSWORD_FILE  SYSDBA's password, root only     /etc/firebird/3.0/SYSDBA.password
#   QBOOK_OFFICE_SETTINGS   what the PCs enter, root only        /etc/qbook2/office.conf
#   QBOOK_BACKUP_DIR        the daily copies                     /var/backups/qbook2
#   QBOOK_BACKUP_KEEP       copies kept                          14
#   QBOOK_BACKUP_SCRIPT     the backup command cron runs         /usr/local/sbin/qbook2-backup
#   QBOOK_CRON_FILE         its cron line                        /etc/cron.d/qbook2-backup
#   QBOOK_SERVER_RESTART    command restarting the server        systemctl, else the init script
#   QBOOK_ADMIN             the qbook2-admin program             on PATH, else this checkout's build
#   QBOOK_OFFICE_PACKAGES   installed when missing               firebird3.0-server firebird3.0-utils cron
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

office_dir="${QBOOK_OFFICE_DIR:-/srv/qbook2}"
office_dir="${office_dir%/}"
client_user="${QBOOK_CLIENT_USER:-QBOOK}"
port="${QBOOK_PORT:-3050}"
event_port="${QBOOK_EVENT_PORT:-3051}"
bind_address="${QBOOK_BIND_ADDRESS:-}"
conf="${FIREBIRD_CONF:-/etc/firebird/3.0/firebird.conf}"
password_file="${QBOOK_SYSDBA_PASSWORD_FILE:-/etc/firebird/3.0/SYSDBA.password}"
settings_file="${QBOOK_OFFICE_SETTINGS:-/etc/qbook2/office.conf}"
backup_dir="${QBOOK_BACKUP_DIR:-/var/backups/qbook2}"
backup_keep="${QBOOK_BACKUP_KEEP:-14}"
backup_script="${QBOOK_BACKUP_SCRIPT:-/usr/local/sbin/qbook2-backup}"
cron_file="${QBOOK_CRON_FILE:-/etc/cron.d/qbook2-backup}"
packages="${QBOOK_OFFICE_PACKAGES-firebird3.0-server firebird3.0-utils cron}"
# Written into the configuration; scripts/setup-firebird.sh leaves SYSDBA's password alone where it stands.
office_mark='# qbook2 office server'

fail() { echo "setup-office-server: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "run it as root (sudo bash $0)"
umask 022

# ---- Packages ----------------------------------------------------------------
missing=()
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "installing: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
admin="${QBOOK_ADMIN:-$(command -v qbook2-admin || echo "$root/build/tools/qbook2-admin")}"
[ -x "$admin" ] || fail "no qbook2-admin: install the qbook2 package, or build this checkout (bash scripts/build.sh)"

# ---- The server on the network, on fixed ports ---------------------------------
# Debian binds the server to localhost; without RemoteBindAddress it listens on
# every address. The event port is fixed so that a firewall can let it through.
[ -f "$conf" ] || fail "no server configuration $conf"
before="$(cat "$conf")"
sed -i -E -e '/^[[:space:]]*(RemoteBindAddress|RemoteServicePort|RemoteAuxPort)[[:space:]]*=/d' \
  -e "/^$office_mark/d" -e '/^# qbook2: the port of event connections/d' "$conf"
{
  echo "$office_mark: reached by the other PCs, on fixed ports (scripts/setup-office-server.sh)"
  [ -n "$bind_address" ] && echo "RemoteBindAddress = $bind_address"
  echo "RemoteServicePort = $port"
  echo "RemoteAuxPort = $event_port"
} >>"$conf"

probe_address="${bind_address:-127.0.0.1}"
listening() { (exec 3<>"/dev/tcp/$probe_address/$port") 2>/dev/null; }
if [ "$(cat "$conf")" != "$before" ] || ! listening; then
  echo "restarting the Firebird server with $conf"
  if [ -n "${QBOOK_SERVER_RESTART:-}" ]; then
    bash -c "$QBOOK_SERVER_RESTART"
  elif [ -d /run/systemd/system ]; then
    systemctl restart firebird3.0
  elif [ -x /etc/init.d/firebird3.0 ]; then
    /etc/init.d/firebird3.0 restart
  else
    fail "cannot restart the Firebird server: restart it, then run this again"
  fi
  for _ in $(seq 1 75); do listening && break; sleep 0.2; done
  listening || fail "the Firebird server does not listen on $probe_address port $port"
fi

# ---- The database folder: the server's, no one else's ---------------------------
mkdir -p "$office_dir"
chown firebird:firebird "$office_dir"
chmod 0770 "$office_dir"

# ---- The database and the client login -----------------------------------------
random_password() {
  local text
  text="$(head -c 48 /dev/urandom | base64 | tr -dc 'A-Za-z0-9')"
  echo "${text:0:20}"
}
setting() { if [ -f "$settings_file" ]; then sed -n "s/^$1=//p" "$settings_file" | tail -n 1; fi; }

server_name="${QBOOK_SERVER_NAME:-$(setting QBOOK_SERVER_NAME)}"
if [ -z "$server_name" ]; then
  server_name="$(hostname -I 2>/dev/null | awk '{print $1}')"
  server_name="${server_name:-$(hostname)}"
fi
client_password=""
[ "$(setting QBOOK_CLIENT_USER)" = "$client_user" ] && client_password="$(setting QBOOK_CLIENT_PASSWORD)"
client_password="${client_password:-$(random_password)}"

port_suffix=""
[ "$port" = 3050 ] || port_suffix="/$port"
admin_server="${bind_address:-localhost}$port_suffix"
database="$admin_server:$office_dir/QBOOK.FDB"
[ -f "$password_file" ] || fail "no $password_file (SYSDBA's password)"
admin_args=(--server "$admin_server" --folder "$office_dir/" --password-file "$password_file")
if [ -f "$office_dir/QBOOK.FDB" ]; then
  "$admin" "${admin_args[@]}" client-user "$client_user" "$client_password"
else
  "$admin" "${admin_args[@]}" create-db --client-user "$client_user" --client-password "$client_password"
fi

mkdir -p "$(dirname "$settings_file")"
(
  umask 077
  printf 'QBOOK_SERVER_NAME=%s\nQBOOK_CLIENT_USER=%s\nQBOOK_CLIENT_PASSWORD=%s\n' \
    "$server_name" "$client_user" "$client_password" >"$settings_file.new"
)
mv "$settings_file.new" "$settings_file"

# ---- SYSDBA: a password of its own, never the published one ---------------------
current="$(sed -n 's/^ISC_PASSWORD="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' "$password_file")"
new_sysdba=""
case "$current" in
  "" | masterkey | quillstem)
    new_sysdba="$(random_password)"
    # The new file is ready before the password changes, so that it is never lost.
    (
      umask 077
      grep -v '^ISC_PASSWORD=' "$password_file" >"$password_file.new" || true
      echo "ISC_PASSWORD=\"$new_sysdba\"" >>"$password_file.new"
    )
    chown root:root "$password_file.new"
    if ! echo "ALTER USER SYSDBA PASSWORD '$new_sysdba';" |
      ISC_USER=SYSDBA ISC_PASSWORD="$current" isql-fb -q -b "$database" >/dev/null; then
      rm -f "$password_file.new"
      fail "cannot change SYSDBA's password"
    fi
    mv "$password_file.new" "$password_file"
    ;;
esac
chown root:root "$password_file"
chmod 0600 "$password_file"

# ---- A daily backup --------------------------------------------------------------
mkdir -p "$backup_dir" "$(dirname "$backup_script")" "$(dirname "$cron_file")"
chmod 0700 "$backup_dir"
cat >"$backup_script" <<EOF
#!/bin/sh
# The daily copy of the qbook2 database (made by setup-office-server.sh): one
# file a day, QBOOK-YYYYMMDD.fbk in $backup_dir; the $backup_keep newest are kept.
set -eu
"$admin" --server "$admin_server" --folder "$office_dir/" --password-file "$password_file" \\
  backup "$backup_dir/QBOOK-\$(date +%Y%m%d).fbk" --replace
find "$backup_dir" -maxdepth 1 -name 'QBOOK-*.fbk' | sort -r | tail -n +$((backup_keep + 1)) | xargs -r rm -f --
EOF
chmod 0700 "$backup_script"
cat >"$cron_file" <<EOF
# The daily copy of the qbook2 database (setup-office-server.sh); its messages go to the system log.
SHELL=/bin/sh
PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
30 2 * * * root $backup_script 2>&1 | logger -t qbook2-backup
EOF
chmod 0644 "$cron_file"

# ---- What each PC enters ---------------------------------------------------------
echo
echo "The qbook2 server is ready: $database"
if [ -n "$new_sysdba" ]; then
  echo "SYSDBA password (shown this once; kept for root only in $password_file): $new_sysdba"
fi
echo "Each PC enters in 設　定(&5), then presses データベース接続確認(&S):"
echo "    サーバー名 又は サーバーPCのTCP/IPアドレス: $server_name$port_suffix"
echo "    データベース(DB)のファイルを置くサーバーのフォルダ: $office_dir/"
echo "    DBユーザー名: $client_user"
echo "    パスワード: $client_password"
echo "Members are registered here, for example:"
echo "    $admin ${admin_args[*]} member-add 1 山田太郎 PASSWORD"
echo "A copy of the database is made every night at 02:30 in $backup_dir (the $backup_keep newest kept)."
echo "A firewall must let TCP ports $port (database) and $event_port (live pads) in."

#!/usr/bin/env bash
# Private MariaDB server for the tests and the demo: its own data directory
# and socket under build/db, no TCP port (unless LUG_DB_PORT is set),
# lower_case_table_names=1, InnoDB. Never touches the system service.
#
#   scripts/db-server.sh start|stop|status
#
# Environment: LUG_DB_DIR (default <repo>/build/db), LUG_DB_PORT (optional),
# LUG_DB_POOL: InnoDB buffer pool (default 1G, so that the month-end
# benchmark's company stays in memory as on a production server).
# LUG_DB_CASE: lower_case_table_names (default 1); LUG_DB_CHARSET: the
# server's character set (default latin1). The tests run a second server with
# 0 and utf8mb4, the settings of a Linux distribution's own server.
# LUG_DB_OPTIONS: further server options (the second server adds
# --skip-character-set-client-handshake: it ignores the client's character
# set request, as some installations are set up).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
dir=${LUG_DB_DIR:-$root/build/db}
sock=$dir/mysqld.sock
pidfile=$dir/mysqld.pid
datadir=$dir/data
logfile=$dir/mysqld.log

find_bin() {
  for b in "$@"; do
    if command -v "$b" >/dev/null 2>&1; then command -v "$b"; return 0; fi
    for d in /usr/sbin /usr/bin /usr/local/sbin /usr/local/bin; do
      if [ -x "$d/$b" ]; then echo "$d/$b"; return 0; fi
    done
  done
  return 1
}

client() { "$(find_bin mariadb mysql)" --no-defaults --socket="$sock" -uroot "$@"; }

running() {
  [ -S "$sock" ] && [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null
}

start() {
  if running; then
    echo "MariaDB already running: socket $sock"
    return 0
  fi
  local server installer
  server=$(find_bin mariadbd mysqld) || { echo "mariadbd not found (apt-get install mariadb-server)" >&2; exit 1; }
  installer=$(find_bin mariadb-install-db mysql_install_db) || { echo "mariadb-install-db not found" >&2; exit 1; }
  mkdir -p "$dir"
  if [ ! -d "$datadir/mysql" ]; then
    rm -rf "$datadir"
    "$installer" --no-defaults --datadir="$datadir" --user="$(id -un)" \
      --auth-root-authentication-method=normal --skip-test-db \
      --lower-case-table-names="${LUG_DB_CASE:-1}" >"$dir/install.log" 2>&1 ||
      { cat "$dir/install.log" >&2; exit 1; }
  fi
  local charset=(--character-set-server=latin1 --collation-server=latin1_swedish_ci)
  if [ "${LUG_DB_CHARSET:-latin1}" != latin1 ]; then charset=(--character-set-server="$LUG_DB_CHARSET"); fi
  local extra=()
  read -r -a extra <<<"${LUG_DB_OPTIONS:-}"
  local net=(--skip-networking)
  if [ -n "${LUG_DB_PORT:-}" ]; then net=(--port="$LUG_DB_PORT" --bind-address=127.0.0.1); fi
  rm -f "$sock"
  "$server" --no-defaults --datadir="$datadir" --socket="$sock" --pid-file="$pidfile" \
    --log-error="$logfile" --user="$(id -un)" "${net[@]}" \
    --lower-case-table-names="${LUG_DB_CASE:-1}" --default-storage-engine=InnoDB "${charset[@]}" "${extra[@]}" \
    --sysdate-is-now --innodb-buffer-pool-size="${LUG_DB_POOL:-1G}" --innodb-flush-log-at-trx-commit=2 \
    --innodb-log-file-size=64M --max-connections=200 >/dev/null 2>&1 &
  for _ in $(seq 1 120); do
    if [ -S "$sock" ] && client -e "SELECT 1" >/dev/null 2>&1; then break; fi
    sleep 0.5
  done
  if ! client -e "SELECT 1" >/dev/null 2>&1; then
    echo "MariaDB did not start; see $logfile" >&2
    tail -20 "$logfile" >&2 || true
    exit 1
  fi
  client -e "CREATE USER IF NOT EXISTS 'lug'@'localhost' IDENTIFIED BY 'lug';
             GRANT ALL PRIVILEGES ON *.* TO 'lug'@'localhost'; FLUSH PRIVILEGES;"
  status
}

stop() {
  if running; then
    local pid
    pid=$(cat "$pidfile")
    client -e "SHUTDOWN" >/dev/null 2>&1 || kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 60); do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; done
    echo "MariaDB stopped"
  else
    echo "MariaDB not running"
  fi
}

status() {
  if running; then
    echo "MariaDB running (pid $(cat "$pidfile")), socket $sock"
    echo "connect: mariadb --socket=$sock -uroot    (program user: lug / lug)"
    if [ -n "${LUG_DB_PORT:-}" ]; then echo "TCP: 127.0.0.1:$LUG_DB_PORT"; fi
  else
    echo "MariaDB not running"
    return 1
  fi
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  status) status ;;
  *) echo "usage: $0 start|stop|status" >&2; exit 2 ;;
esac

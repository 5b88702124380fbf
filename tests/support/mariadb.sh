#!/bin/sh
# A private MariaDB server for the tests, reachable only through a Unix socket in a folder
# of its own (networking off, no TCP port):
#
#   mariadb.sh start STATE-FILE   creates and starts the server, writes STATE-FILE
#   mariadb.sh stop STATE-FILE    stops it and removes every file it made
#
# STATE-FILE holds shell assignments the tests read: KORVEX_MY_SOCKET (the socket file),
# KORVEX_MY_DATABASE, KORVEX_MY_ADMIN (all rights, logs in over the socket as the user
# running the tests, no password), KORVEX_MY_USER and KORVEX_MY_PASSWORD (the reader, who
# logs in with a password), or KORVEX_MY_MISSING with the reason the server is absent
# (mariadb-server not installed); the tests then skip with that reason.
# As root the server runs as the unprivileged user "nobody".
set -eu

action=${1:-}
state=${2:-}
[ -n "$action" ] && [ -n "$state" ] || { echo "usage: $0 start|stop STATE-FILE" >&2; exit 2; }

server=/usr/sbin/mariadbd
installer=/usr/bin/mariadb-install-db
client=/usr/bin/mariadb

stop() {
  [ -f "$state" ] || return 0
  root=$(sed -n 's/^KORVEX_MY_ROOT=//p' "$state" | tr -d "'")
  if [ -n "$root" ] && [ -f "$root/run/pid" ]; then
    pid=$(cat "$root/run/pid" 2>/dev/null || true)
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      # Nothing it holds is worth a clean shutdown; a kill never waits on a client.
      kill -KILL "$pid" 2>/dev/null || true
      i=0
      while kill -0 "$pid" 2>/dev/null && [ $i -lt 100 ]; do
        sleep 0.1
        i=$((i + 1))
      done
    fi
  fi
  case "$root" in
    /tmp/korvex-my.*) rm -rf "$root" ;;
  esac
  rm -f "$state"
}

case "$action" in
  stop)
    stop
    exit 0
    ;;
  start) ;;
  *) echo "usage: $0 start|stop STATE-FILE" >&2; exit 2 ;;
esac

stop  # a server a killed run left behind
if [ ! -x "$server" ] || [ ! -x "$installer" ] || [ ! -x "$client" ]; then
  echo "KORVEX_MY_MISSING='mariadb-server is not installed (tools/install-deps.sh installs it)'" >"$state"
  exit 0
fi

root=$(mktemp -d /tmp/korvex-my.XXXXXX)
# Also a start that fails half-way leaves nothing running and nothing behind.
echo "KORVEX_MY_ROOT='$root'" >"$state"
trap 'status=$?; [ $status -eq 0 ] || { cat "$root/install.log" "$root/run/mariadbd.err" >&2 2>/dev/null || true; stop; }' EXIT
chmod 755 "$root"
mkdir "$root/data" "$root/run" "$root/tmp"
owner=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  owner=nobody
  chown nobody "$root/data" "$root/run" "$root/tmp"
fi
chmod 777 "$root/run"  # the socket's folder: every test user may connect

# The administrator is whoever runs the tests, recognised by the socket's peer credentials.
"$installer" --no-defaults --user="$owner" --datadir="$root/data" --auth-root-authentication-method=socket \
  --auth-root-socket-user="$(id -un)" --skip-test-db --skip-name-resolve --innodb-log-file-size=8M \
  >"$root/install.log" 2>&1

socket=$root/run/mariadb.sock
"$server" --no-defaults --user="$owner" --datadir="$root/data" --socket="$socket" --pid-file="$root/run/pid" \
  --tmpdir="$root/tmp" --skip-networking --log-error="$root/run/mariadbd.err" --skip-log-bin --innodb-buffer-pool-size=16M \
  --innodb-log-file-size=8M --innodb-flush-log-at-trx-commit=0 --character-set-server=utf8mb4 \
  --collation-server=utf8mb4_unicode_ci --max-connections=20 >/dev/null 2>&1 &
server_pid=$!

i=0
until "$client" --no-defaults --protocol=socket --socket="$socket" -u root -e 'select 1' >/dev/null 2>&1; do
  i=$((i + 1))
  if [ $i -ge 300 ] || ! kill -0 $server_pid 2>/dev/null; then
    echo "mariadbd did not start" >&2
    kill -KILL $server_pid 2>/dev/null || true  # it may not have written its pid file yet
    exit 1
  fi
  sleep 0.1
done

password=korvex-test-password
"$client" --no-defaults --protocol=socket --socket="$socket" -u root <<SQL
create database korvex_test character set utf8mb4 collate utf8mb4_unicode_ci;
create user 'korvex_reader'@'localhost' identified by '$password';
grant all privileges on korvex_test.* to 'korvex_reader'@'localhost';
SQL

cat >>"$state" <<STATE
KORVEX_MY_SOCKET='$socket'
KORVEX_MY_DATABASE='korvex_test'
KORVEX_MY_ADMIN='root'
KORVEX_MY_USER='korvex_reader'
KORVEX_MY_PASSWORD='$password'
STATE

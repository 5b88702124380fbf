#!/bin/sh
# A private PostgreSQL 15 cluster for the tests, reachable only through a Unix socket in a
# folder of its own (no TCP port, no network):
#
#   postgres.sh start STATE-FILE   creates and starts the cluster, writes STATE-FILE
#   postgres.sh stop STATE-FILE    stops it and removes every file it made
#
# STATE-FILE holds shell assignments the tests read: KORVEX_PG_HOST (the socket folder),
# KORVEX_PG_DATABASE, KORVEX_PG_USER and KORVEX_PG_PASSWORD (the one user that logs in
# with a password, SCRAM-SHA-256), or KORVEX_PG_MISSING with the reason the cluster is
# absent (postgresql-15 not installed); the tests then skip with that reason.
# initdb refuses root: as root the cluster runs as the unprivileged user "nobody".
set -eu

bin=/usr/lib/postgresql/15/bin
action=${1:-}
state=${2:-}
[ -n "$action" ] && [ -n "$state" ] || { echo "usage: $0 start|stop STATE-FILE" >&2; exit 2; }

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u nobody -- "$@"
  else
    "$@"
  fi
}

stop() {
  [ -f "$state" ] || return 0
  root=$(sed -n 's/^KORVEX_PG_ROOT=//p' "$state" | tr -d "'")
  if [ -n "$root" ] && [ -d "$root/data" ]; then
    as_owner "$bin/pg_ctl" -D "$root/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  case "$root" in
    /tmp/korvex-pg.*) rm -rf "$root" ;;
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

stop  # a cluster a killed run left behind
if [ ! -x "$bin/initdb" ] || [ ! -x "$bin/postgres" ]; then
  echo "KORVEX_PG_MISSING='postgresql-15 is not installed (tools/install-deps.sh installs it)'" >"$state"
  exit 0
fi

root=$(mktemp -d /tmp/korvex-pg.XXXXXX)
# Also a start that fails half-way leaves nothing running and nothing behind.
echo "KORVEX_PG_ROOT='$root'" >"$state"
trap 'status=$?; [ $status -eq 0 ] || { cat "$root/log" >&2 2>/dev/null || true; stop; }' EXIT
chmod 755 "$root"
mkdir "$root/socket"
if [ "$(id -u)" -eq 0 ]; then
  chown nobody "$root" "$root/socket"
fi

password=korvex-test-password
as_owner "$bin/initdb" -D "$root/data" -U korvex_admin --auth=trust -E UTF8 --locale=C.UTF-8 >"$root/initdb.log" 2>&1
# The administrator (setup only) is trusted on the socket; the test user gives its password.
cat >"$root/pg_hba.conf" <<HBA
local all korvex_admin trust
local all korvex_reader scram-sha-256
HBA
as_owner cp "$root/pg_hba.conf" "$root/data/pg_hba.conf"
as_owner "$bin/pg_ctl" -D "$root/data" -l "$root/log" -w -t 60 start \
  -o "-c listen_addresses='' -c unix_socket_directories='$root/socket' -c port=5432 \
      -c unix_socket_permissions=0777 -c shared_buffers=16MB -c max_connections=20 \
      -c dynamic_shared_memory_type=mmap -c fsync=off -c password_encryption=scram-sha-256" >/dev/null

psql_admin() {
  as_owner /usr/bin/psql -X -q -v ON_ERROR_STOP=1 -h "$root/socket" -p 5432 -U korvex_admin "$@"
}
psql_admin -d postgres -c "create role korvex_reader login password '$password'" \
  -c "create database korvex_test owner korvex_reader encoding 'UTF8'" >/dev/null

cat >>"$state" <<STATE
KORVEX_PG_HOST='$root/socket'
KORVEX_PG_DATABASE='korvex_test'
KORVEX_PG_USER='korvex_reader'
KORVEX_PG_PASSWORD='$password'
STATE

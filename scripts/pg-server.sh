#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests: one cluster in a folder of the build tree,
# listening on 127.0.0.1 at a free port and on a unix socket in the same folder.
#
#   scripts/pg-server.sh start [--dir DIR]   initdb, start, create the role and database
#   scripts/pg-server.sh stop [--dir DIR]    stop the server and remove the cluster
#   scripts/pg-server.sh status [--dir DIR]  exit 0 when it runs
#   scripts/pg-server.sh psql [--dir DIR] [PSQL ARGS...]   psql as the test role
#
# DIR defaults to build/pg. While it runs, DIR/server.env holds the connection settings as
# shell assignments (QV_PG_HOST, QV_PG_PORT, QV_PG_DATABASE, QV_PG_USER, QV_PG_PASSWORD); the
# tests find the server through that file (testsupport/TestDataSources.h) and register their
# Unicode and ANSI data sources for it. The server refuses to run as root, so as root it runs
# as the "postgres" account that Debian's package creates (the cluster folder is theirs; it
# moves to a folder under /tmp when that account cannot reach DIR).
# Local connections are trusted: the cluster holds nothing but test data and only listens on
# the loopback address.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

die() { echo "pg-server: $*" >&2; exit 2; }

command="${1:-}"
[ $# -gt 0 ] && shift
dir="$root/build/pg"
if [ "${1:-}" = "--dir" ]; then
  [ $# -ge 2 ] || die "missing value after --dir"
  dir="$2"
  shift 2
fi
mkdir -p "$dir"
dir="$(cd "$dir" && pwd)"
env_file="$dir/server.env"
# The cluster lives in DIR unless the server's account cannot reach it there (a build tree
# under a home folder closed to others): then in a folder of its own under /tmp, named in
# DIR/cluster.
cluster="$dir"
[ -f "$dir/cluster" ] && cluster="$(cat "$dir/cluster")"
data="$cluster/data"

bindir="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
[ -n "$bindir" ] && [ -x "$bindir/initdb" ] || die "no PostgreSQL server installed (run scripts/setup-deps.sh)"

# The commands of the server run as its owner.
as_owner() {
  if [ "$(id -u)" = 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

running() { [ -f "$data/postmaster.pid" ] && as_owner "$bindir/pg_ctl" -D "$data" status >/dev/null 2>&1; }

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()'
}

start() {
  if running; then
    echo "pg-server: already running ($env_file)"
    return 0
  fi
  stop_cluster
  cluster="$dir"
  if [ "$(id -u)" = 0 ]; then chown postgres: "$dir"; fi
  # (A unix socket's path is short, and the server's options are split at blanks: a deep DIR,
  # or one with a blank in it, moves the cluster too.)
  if { [ "$(id -u)" = 0 ] && ! runuser -u postgres -- test -w "$dir"; } || [ ${#dir} -gt 80 ] ||
    [[ "$dir" == *[[:space:]]* ]]; then
    cluster="$(mktemp -d /tmp/qv-pg.XXXXXX)"
    if [ "$(id -u)" = 0 ]; then chown postgres: "$cluster"; fi
    echo "$cluster" >"$dir/cluster"
  fi
  data="$cluster/data"
  mkdir -p "$data"
  if [ "$(id -u)" = 0 ]; then chown postgres: "$data"; fi
  chmod 700 "$data"
  as_owner "$bindir/initdb" -D "$data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; die "initdb failed"; }
  local port
  port="$(free_port)"
  # Month before day in date literals, whatever the machine's locale; no durability needed.
  as_owner "$bindir/pg_ctl" -D "$data" -l "$cluster/server.log" -w -t 60 \
    -o "-p $port -k $cluster -c listen_addresses=127.0.0.1 -c datestyle=iso,mdy -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
    start >/dev/null || { tail -n 20 "$cluster/server.log" >&2; die "the server did not start"; }
  as_owner "$bindir/psql" -X -q -h "$cluster" -p "$port" -U postgres -d postgres -v ON_ERROR_STOP=1 <<SQL
CREATE ROLE meridane LOGIN PASSWORD 'meridane';
CREATE DATABASE meridane OWNER meridane ENCODING 'UTF8' TEMPLATE template0;
SQL
  cat >"$env_file" <<EOF
QV_PG_HOST=127.0.0.1
QV_PG_PORT=$port
QV_PG_SOCKET=$cluster
QV_PG_DATABASE=meridane
QV_PG_USER=meridane
QV_PG_PASSWORD=meridane
EOF
  echo "pg-server: running on 127.0.0.1:$port (database meridane, settings in $env_file)"
}

# Stops the server if it runs and removes the cluster.
stop_cluster() {
  if running; then as_owner "$bindir/pg_ctl" -D "$data" -m fast -w stop >/dev/null || true; fi
  rm -rf "$data" "$env_file"
  if [ "$cluster" != "$dir" ]; then rm -rf "$cluster"; fi
  rm -f "$dir/cluster"
}

stop() {
  stop_cluster
  echo "pg-server: stopped"
}

case "$command" in
  start) start ;;
  stop) stop ;;
  status) running ;;
  psql)
    running || die "not running"
    # shellcheck disable=SC1090
    source "$env_file"
    PGPASSWORD="$QV_PG_PASSWORD" exec "$bindir/psql" -X -q -h "$QV_PG_HOST" -p "$QV_PG_PORT" \
      -U "$QV_PG_USER" -d "$QV_PG_DATABASE" -v ON_ERROR_STOP=1 "$@"
    ;;
  *) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; [ -n "$command" ] && exit 2; exit 0 ;;
esac

#!/bin/sh
# SPDX-License-Identifier: MIT
# Serves the world ranking on 127.0.0.1: a PostgreSQL cluster of its own (initdb, on the first
# run) in a folder it makes, and enclova-server against it, both stopped by Ctrl+C or SIGTERM.
# PostgreSQL refuses to run as root, so as root the cluster runs as the user `postgres` (which
# Debian's postgresql package makes). The cluster listens on a unix socket inside its folder
# only, which no one but its owner (and root) may open.
# Usage: tools/serve-ranking.sh [PORT]   (8080 by default)
# ENCLOVA_RANKING_DIR: the cluster's folder (build/ranking by default); ENCLOVA_SERVER: the
# binary (build/server/enclova-server by default); ENCLOVA_SITE: a folder of the page's files
# (a web build's) to serve beside the API.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
port=${1:-8080}
dir=${ENCLOVA_RANKING_DIR:-$root/build/ranking}
server=${ENCLOVA_SERVER:-$root/build/server/enclova-server}
pgbin=${ENCLOVA_PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)}
if [ ! -x "$server" ]; then
  echo "serve-ranking.sh: no server at $server: build the target enclova-server first" >&2
  exit 2
fi
if [ -z "$pgbin" ] || [ ! -x "$pgbin/initdb" ]; then
  echo "serve-ranking.sh: no PostgreSQL server found: install postgresql (tools/deps.sh)" >&2
  exit 2
fi

mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
if [ "$(id -u)" -eq 0 ]; then
  chown postgres: "$dir"
  as_owner() { runuser -u postgres -- "$@"; }
else
  as_owner() { "$@"; }
fi
if [ ! -f "$dir/data/PG_VERSION" ]; then
  as_owner "$pgbin/initdb" -D "$dir/data" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 \
    >"$dir/initdb.log"
fi
as_owner mkdir -p "$dir/socket"
as_owner "$pgbin/pg_ctl" -D "$dir/data" -l "$dir/postgres.log" -w -o \
  "-c listen_addresses='' -c unix_socket_directories='$dir/socket' -c unix_socket_permissions=0700" \
  start >/dev/null

server_pid=""
stop() {
  trap - INT TERM EXIT
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  as_owner "$pgbin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null || true
}
trap 'stop; exit 130' INT
trap 'stop; exit 143' TERM
trap stop EXIT

as_owner "$pgbin/psql" -h "$dir/socket" -U postgres -d postgres -tAq \
  -c "SELECT 1 FROM pg_database WHERE datname = 'enclova'" | grep -q 1 ||
  as_owner "$pgbin/createdb" -h "$dir/socket" -U postgres enclova

set -- "--db=host=$dir/socket dbname=enclova user=postgres" --listen=127.0.0.1 \
  "--port=$port" "--data-dir=$root/assets"
if [ -n "${ENCLOVA_SITE:-}" ]; then set -- "$@" "--site=$ENCLOVA_SITE"; fi
"$server" "$@" &
server_pid=$!
echo "serve-ranking.sh: http://127.0.0.1:$port/api/ranking?level=1 (Ctrl+C stops the server and the database)"
wait "$server_pid" || true
server_pid=""

#!/usr/bin/env bash
# Start a throwaway PostgreSQL 15 on 127.0.0.1:$PGPORT as root (server runs as user 'postgres').
# Usage: eval "$(PGPORT=54329 ./pg_up.sh)"   -> exports PGTMP, PGPORT; stop with pg_down.sh
set -euo pipefail
PGBIN=/usr/lib/postgresql/15/bin
PGPORT=${PGPORT:-54329}
PGTMP=${PGTMP:-$(mktemp -d /tmp/pgtest.XXXXXX)}   # must be traversable by 'postgres' (not under /root)
DB_USER=${DB_USER:-testuser} DB_PASS=${DB_PASS:-testpass} DB_NAME=${DB_NAME:-testdb}
mkdir -p "$PGTMP"; chown postgres:postgres "$PGTMP"; chmod 700 "$PGTMP"
# local (unix socket) = trust for the admin; TCP = scram-sha-256 password (what the app/ODBC uses)
runuser -u postgres -- "$PGBIN/initdb" -D "$PGTMP/data" -U postgres -E UTF8 --locale=C.UTF-8 \
    --auth-local=trust --auth-host=scram-sha-256 >"$PGTMP/initdb.log"
# -k: unix socket in the temp dir (no /var/run/postgresql needed); TCP on loopback only
runuser -u postgres -- "$PGBIN/pg_ctl" -D "$PGTMP/data" -l "$PGTMP/server.log" -w -t 60 \
    -o "-c listen_addresses=127.0.0.1 -c port=$PGPORT -k $PGTMP -c fsync=off" start >&2
psql_admin() { runuser -u postgres -- "$PGBIN/psql" -h "$PGTMP" -p "$PGPORT" -U postgres -d postgres \
                 -v ON_ERROR_STOP=1 -qAt "$@"; }
psql_admin -c "CREATE ROLE $DB_USER LOGIN PASSWORD '$DB_PASS'"
psql_admin -c "CREATE DATABASE $DB_NAME OWNER $DB_USER"
echo "export PGTMP=$PGTMP PGPORT=$PGPORT"

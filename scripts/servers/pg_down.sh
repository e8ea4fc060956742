#!/usr/bin/env bash
# Stop the server started by pg_up.sh (fast shutdown, waits) and delete its directory.
set -euo pipefail
: "${PGTMP:?PGTMP not set (eval the output of pg_up.sh)}"
runuser -u postgres -- /usr/lib/postgresql/15/bin/pg_ctl -D "$PGTMP/data" -m fast -w -t 60 stop >&2
rm -rf "$PGTMP"

#!/usr/bin/env bash
# Starts the servers the integration tests talk to, all on 127.0.0.1:
#   PostgreSQL 15 (port 54329, reached over ODBC), SMTP with implicit TLS and AUTH LOGIN (2465),
#   FTP (21, passive 60000-60099).
# Usage: source scripts/test-servers.sh start   # exports ORVENA_TEST_* and sets a stop function
#        orvena_servers_stop
# Needs root (PostgreSQL runs as 'postgres', FTP binds port 21). Two sets of servers can run side by
# side with other ports: ORVENA_PG_PORT, ORVENA_SMTP_PORT, ORVENA_FTP_PORT, ORVENA_FTP_PASV (lo-hi).

orvena_servers_start() {
  local here; here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  ORVENA_SERVERS_HERE=$here   # the stop may run from another directory
  local py=/usr/bin/python3   # Debian's interpreter: the one that has aiosmtpd and pyftpdlib
  ORVENA_SERVERS_DIR=$(mktemp -d /tmp/orvena-servers.XXXXXX); chmod 755 "$ORVENA_SERVERS_DIR"
  ORVENA_SERVER_PIDS=()
  local w=$ORVENA_SERVERS_DIR

  eval "$(PGPORT=${ORVENA_PG_PORT:-54329} PGTMP=$w/pg "$here/servers/pg_up.sh")" || return 1
  export ORVENA_TEST_PG_ODBC="Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=$PGPORT;Database=testdb;Uid=testuser;Pwd=testpass;"

  $py "$here/servers/smtps_server.py" --port "${ORVENA_SMTP_PORT:-2465}" --user testuser --password testpass \
      --maildir "$w/mail" --cert "$w/smtp.crt" --key "$w/smtp.key" >"$w/smtp.log" 2>&1 &
  ORVENA_SERVER_PIDS+=($!)
  export ORVENA_TEST_SMTP_HOST=127.0.0.1 ORVENA_TEST_SMTP_PORT=${ORVENA_SMTP_PORT:-2465} ORVENA_TEST_SMTP_USER=testuser \
         ORVENA_TEST_SMTP_PASS=testpass ORVENA_TEST_SMTP_MAILDIR=$w/mail ORVENA_TEST_SMTP_CERT=$w/smtp.crt

  $py "$here/servers/ftp_server.py" --port "${ORVENA_FTP_PORT:-21}" --user testuser --password testpass --home "$w/ftp" \
      --pasv "${ORVENA_FTP_PASV:-60000-60099}" \
      >"$w/ftp.log" 2>&1 &
  ORVENA_SERVER_PIDS+=($!)
  export ORVENA_TEST_FTP_HOST=127.0.0.1 ORVENA_TEST_FTP_PORT=${ORVENA_FTP_PORT:-21} ORVENA_TEST_FTP_USER=testuser \
         ORVENA_TEST_FTP_PASS=testpass ORVENA_TEST_FTP_HOME=$w/ftp

  local port
  for port in "$ORVENA_TEST_SMTP_PORT" "$ORVENA_TEST_FTP_PORT"; do
    local up=0
    for _ in $(seq 1 100); do
      if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then up=1; break; fi
      sleep 0.1
    done
    [ $up = 1 ] || { echo "server on port $port did not come up; logs in $w" >&2; return 1; }
  done
  echo "test servers up (logs in $w)" >&2
}

orvena_servers_stop() {
  local p
  for p in "${ORVENA_SERVER_PIDS[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${ORVENA_SERVER_PIDS[@]}"; do wait "$p" 2>/dev/null; done
  ORVENA_SERVER_PIDS=()
  [ -n "${PGTMP:-}" ] && "${ORVENA_SERVERS_HERE:?}/servers/pg_down.sh" 2>/dev/null
  unset PGTMP
  [ -n "${KEEP_SERVER_LOGS:-}" ] || rm -rf "${ORVENA_SERVERS_DIR:-/nonexistent}"
}

if [ "${1:-}" = start ]; then orvena_servers_start; fi

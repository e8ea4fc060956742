#!/usr/bin/env bash
# What scripts/install-deps.sh brings, and the tools of the tests (Debian 12): GoogleTest and
# Google Benchmark, clang for the fuzz targets, the ODBC drivers and PostgreSQL, the SMTP and FTP
# test servers, and the readers that check the exported files. Needs root, as install-deps.sh.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
bash "$(dirname "$0")/install-deps.sh"
$SUDO apt-get install -y -qq --no-install-recommends \
  ccache clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev libtcmalloc-minimal4 \
  sqlite3 odbc-postgresql libsqliteodbc tdsodbc postgresql \
  python3 python3-aiosmtpd python3-pyftpdlib python3-openpyxl python3-docx python3-pil python3-reportlab \
  poppler-utils qpdf libtiff-tools zbar-tools zxing-cpp-tools xvfb xauth curl openssl iproute2 time \
  libxml2-utils unzip libxlsxwriter-dev libhpdf-dev libreoffice-calc-nogui lintian systemd \
  >/dev/null
# Readers of the word-processing and HTML exports: LibreOffice Writer, html5lib, a headless browser.
$SUDO apt-get install -y -qq --no-install-recommends libreoffice-writer-nogui python3-html5lib chromium >/dev/null
# A family installed with CFF outlines beside TrueType ones, for the font matching tests.
$SUDO apt-get install -y -qq --no-install-recommends fonts-font-awesome >/dev/null
$SUDO fc-cache -f >/dev/null
odbcinst -q -d | grep -qx '\[PostgreSQL Unicode\]' || $SUDO odbcinst -i -d -f /usr/share/psqlodbc/odbcinst.ini.template
odbcinst -q -d | grep -qx '\[SQLite3\]' || $SUDO odbcinst -i -d -f /usr/share/sqliteodbc/unixodbc.ini
# psqlODBC is registered with a communication log that litters /tmp at every connection.
$SUDO sed -i -E 's/^(CommLog[[:space:]]*=[[:space:]]*)1/\10/' /etc/odbcinst.ini

#!/usr/bin/env bash
# Brings every Debian package the build, the tests and the demo need (Debian 12, run as root).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev \
  libgtest-dev libgmock-dev libbenchmark-dev \
  qt6-base-dev libfreetype-dev libharfbuzz-dev libcairo2-dev libfontconfig-dev libpng-dev \
  libjpeg62-turbo-dev zlib1g-dev libssl-dev ca-certificates libcli11-dev \
  libsqlite3-dev sqlite3 unixodbc-dev unixodbc odbc-postgresql libsqliteodbc tdsodbc postgresql \
  fonts-liberation2 fonts-crosextra-carlito fonts-crosextra-caladea fonts-dejavu-core fonts-wine \
  python3 python3-aiosmtpd python3-pyftpdlib python3-openpyxl python3-docx python3-pil python3-reportlab \
  poppler-utils qpdf libtiff-tools zbar-tools xvfb xauth curl openssl fontconfig iproute2 time \
  libxml2-utils unzip libxlsxwriter-dev libreoffice-calc-nogui libtcmalloc-minimal4 \
  >/dev/null
# Readers of the word-processing and HTML exports: LibreOffice Writer, html5lib, a headless browser.
$SUDO apt-get install -y -qq --no-install-recommends libreoffice-writer-nogui python3-html5lib chromium >/dev/null
# A family installed with CFF outlines beside TrueType ones, for the font matching tests.
$SUDO apt-get install -y -qq --no-install-recommends fonts-font-awesome >/dev/null
# fonts-wine puts its files where fontconfig does not look; Tahoma is the log view's font.
$SUDO mkdir -p /usr/local/share/fonts/wine
for f in tahoma tahomabd wingding webdings marlett symbol; do
  [ -f /usr/share/wine/fonts/$f.ttf ] && $SUDO ln -sf /usr/share/wine/fonts/$f.ttf /usr/local/share/fonts/wine/$f.ttf
done
$SUDO fc-cache -f >/dev/null
odbcinst -q -d | grep -qx '\[PostgreSQL Unicode\]' || $SUDO odbcinst -i -d -f /usr/share/psqlodbc/odbcinst.ini.template
odbcinst -q -d | grep -qx '\[SQLite3\]' || $SUDO odbcinst -i -d -f /usr/share/sqliteodbc/unixodbc.ini
# psqlODBC is registered with a communication log that litters /tmp at every connection.
$SUDO sed -i -E 's/^(CommLog[[:space:]]*=[[:space:]]*)1/\10/' /etc/odbcinst.ini

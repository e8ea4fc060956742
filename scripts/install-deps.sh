#!/usr/bin/env bash
# Brings the Debian packages that building `orvena` and running it on the demo home folder need
# (Debian 12): the compiler and CMake, the libraries, and the fonts the templates name. The test
# tools come with scripts/install-test-deps.sh. apt-get needs root: run it as root or with sudo.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  build-essential cmake ninja-build pkg-config ca-certificates help2man \
  qt6-base-dev libfreetype-dev libharfbuzz-dev libcairo2-dev libfontconfig-dev libpng-dev \
  libjpeg62-turbo-dev zlib1g-dev libssl-dev libcli11-dev libsqlite3-dev unixodbc-dev unixodbc libzint-dev \
  icc-profiles-free fonts-liberation2 fonts-crosextra-carlito fonts-crosextra-caladea fonts-dejavu-core fonts-wine fontconfig \
  >/dev/null
# fonts-wine puts its files where fontconfig does not look; Tahoma is the log view's font.
$SUDO mkdir -p /usr/local/share/fonts/wine
for f in tahoma tahomabd wingding webdings marlett symbol; do
  [ -f /usr/share/wine/fonts/$f.ttf ] && $SUDO ln -sf /usr/share/wine/fonts/$f.ttf /usr/local/share/fonts/wine/$f.ttf
done
$SUDO fc-cache -f >/dev/null

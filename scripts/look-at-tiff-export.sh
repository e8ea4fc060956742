#!/bin/sh
# Runs a copy of the demo home folder and turns every page of its "tiff" report into a PNG for a
# person to look at, with the same report's PDF page drawn by pdftoppm beside it:
#   scripts/look-at-tiff-export.sh [BUILD_DIR] [OUT_DIR]
# Writes OUT_DIR/tiff-page-N.png and OUT_DIR/pdf-page-N.png (default OUT_DIR:
# /tmp/orvena-tiff-look), then, for the two comparison templates of the tests
# (tests/fixtures/engine/frames_fills.orp and rotated_tags.orp), NAME-tiff-page-N.png and
# NAME-pdf-page-N.png.
set -eu
build=$(cd "${1:-build}" && pwd)
out=${2:-/tmp/orvena-tiff-look}
source=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

cp -r "$source/examples/demo" "$work/demo"
"$build/src/app/orvena" --run --home "$work/demo" || true

# Every page of a multi-page TIFF as PNG files PREFIX-page-N.png.
tiff_pages() {
  /usr/bin/python3 - "$1" "$2" <<'PY'
import sys
from PIL import Image
im = Image.open(sys.argv[1])
for i in range(getattr(im, 'n_frames', 1)):
    im.seek(i)
    im.convert('RGB').save('%s-page-%d.png' % (sys.argv[2], i + 1))
PY
}

tiff_pages "$work"/demo/Tymczasowe/obroty_*.tiff "$out/tiff"
pdftoppm -r 96 -png "$work"/demo/Tymczasowe/obroty_*.pdf "$out/pdf-page"

# The comparison templates over a few rows of a throwaway database.
/usr/bin/python3 - "$work/t.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute('create table t (id integer, nazwa text, kwota decimal(10,2))')
db.executemany('insert into t values (?, ?, ?)',
               [(i, 'Pozycja %d – żółć' % i, i * 12.5) for i in range(1, 15)])
db.commit()
PY
mkdir -p "$work/home/Dane/Szablony" "$work/home/Logi" "$work/home/Tymczasowe"
printf '[db_driver]=sqlite\r\n[db]=%s\r\n' "$work/t.db" >"$work/home/Dane/konfiguracja.txt"
for name in frames_fills rotated_tags; do
  for format in pdf tiff; do
    "$build/src/app/orvena" --render "$source/tests/fixtures/engine/$name.orp" \
      --sql 'select id, nazwa, kwota from t order by id' --home "$work/home" \
      --format $format --out "$work/$name.$format"
  done
  tiff_pages "$work/$name.tiff" "$out/$name-tiff"
  pdftoppm -r 96 -png "$work/$name.pdf" "$out/$name-pdf-page"
done
ls "$out"

#!/bin/sh
# Renders the PDF export test's document to PNG pages for a person to look at:
#   scripts/look-at-pdf-export.sh [BUILD_DIR] [OUT_DIR]
# Writes OUT_DIR/pdf-export.pdf and OUT_DIR/page-N.png (default OUT_DIR: /tmp/orvena-pdf-look).
set -eu
build=${1:-build}
out=${2:-/tmp/orvena-pdf-look}
mkdir -p "$out"
ORVENA_KEEP_PDF="$out/pdf-export.pdf" "$build/tests/export/test_export" \
  --gtest_filter='PdfExportTest.PagesReadBackWithTheirTextsFontsFramesAndPictures' >/dev/null
pdftoppm -r 72 -png "$out/pdf-export.pdf" "$out/page"
ls "$out"

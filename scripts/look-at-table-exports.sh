#!/usr/bin/env bash
# Renders the demo's reports for a person to look at: the "html" definition as a headless
# Chromium screenshot beside the "pdf" definition's first page (pdftoppm), and the "word"
# definition converted to PDF by LibreOffice with its text and page size.
# Usage: scripts/look-at-table-exports.sh [ORVENA_BINARY] [OUT_DIR]
#   (defaults build/src/app/orvena and /tmp/orvena-look); open OUT_DIR/*.png to compare.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/src/app/orvena}")
out=$(realpath -m "${2:-/tmp/orvena-look}")
rm -rf "$out"
mkdir -p "$out"
cp -r examples/demo "$out/home"
"$bin" --run --home "$out/home" || [ $? -eq 3 ]  # 3: a job logged a failure; the files are looked at below
tmp="$out/home/Tymczasowe"
html=$(ls "$tmp"/obroty_*.html)
pdf=$(ls "$tmp"/obroty_*.pdf)
docx=$(ls "$tmp"/obroty_*.docx)

# The page at A4 width (210 mm at 96 dpi is 794 pixels).
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=794,1123 \
  --screenshot="$out/html.png" "file://$html" 2>/dev/null
pdftoppm -png -r 96 -f 1 -l 1 "$pdf" "$out/pdf"

(cd "$out" && soffice --headless --convert-to pdf --outdir "$out/word" "$docx" >/dev/null 2>&1)
word_pdf="$out/word/$(basename "${docx%.docx}").pdf"
pdftoppm -png -r 96 -f 1 -l 1 "$word_pdf" "$out/word"
pdfinfo "$word_pdf" | grep -E 'Pages|Page size'
pdftotext -layout "$word_pdf" - | head -20
ls "$out"/*.png

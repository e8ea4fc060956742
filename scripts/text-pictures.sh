#!/bin/sh
# Draws the text layout's pictures (alignments, paragraph gap, rotation, Polish letters, styles,
# fallback glyphs) as PNG files and prints the folder they are in. The pictures are those the
# drawing tests check on their pixels.
# Usage: scripts/text-pictures.sh [build folder, default build]
set -eu
build=${1:-build}
cmake --build "$build" --target test_report
"$build/tests/report/test_report" --gtest_filter='TextDraw*' >/dev/null
echo "$(cd "$build" && pwd)/text_pictures"

#!/usr/bin/env bash
# Pictures of the report preview for a person to look at: the demo's template at page width, a
# starter template over the demo's sales (whole first page, a later page at 100 %) and the
# export menu open. Usage: scripts/preview-screenshots.sh [OUT_DIR] (default
# build/preview-screenshots); needs a GUI build with tests in build/ (or in ORVENA_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/preview-screenshots}")
mkdir -p "$out"
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
build=${ORVENA_BUILD_DIR:-build}
ORVENA_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
  "$build/tests/editor/test_editor" --gtest_filter='ReportPreviewScreens.*' >/dev/null
ls "$out"/*.png

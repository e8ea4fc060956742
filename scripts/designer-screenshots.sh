#!/usr/bin/env bash
# Pictures of the report designer for a person to look at: the demo's template at 100 % with a
# rubber-band selection and its handles, the page header at 200 % with the grid, the question on
# closing a changed template, the object inspector and the report tree with a text object selected,
# the designer's and the preview's drawings of one page side by side, the data tree during a drag,
# the expression editor with an error and the script tab.
# Usage: scripts/designer-screenshots.sh [OUT_DIR] (default build/designer-screenshots);
# needs a GUI build with tests in build/ (or in ORVENA_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/designer-screenshots}")
mkdir -p "$out"
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
build=${ORVENA_BUILD_DIR:-build}
ORVENA_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
  "$build/tests/designer/test_designer" --gtest_filter='DesignerScreens*.*:Zooms/Wysiwyg.*' >/dev/null
ls "$out"/*.png

#!/usr/bin/env bash
# Renders the windows to PNG files for a person to look at: the main window (counting down,
# after "stop", after a run), the FTP window during a transfer, the control-file editor's two pages
# (and its warning about an unreadable control file), the template workshop and the data preview.
# Usage: scripts/screenshots.sh [OUT_DIR] (default build/screenshots); needs a GUI build in build/
# (or in ORVENA_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/screenshots}")
mkdir -p "$out"
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
build=${ORVENA_BUILD_DIR:-build}
for t in tests/gui/test_gui tests/editor/test_editor; do
  ORVENA_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/$t" >/dev/null
done
ls "$out"/*.png

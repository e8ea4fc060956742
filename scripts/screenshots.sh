#!/usr/bin/env bash
# Renders the windows to PNG files for a person to look at: the main window (counting down,
# after "stop", after a run) and the FTP window during a transfer.
# Usage: scripts/screenshots.sh [OUT_DIR] (default build/screenshots); needs a GUI build in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/screenshots}")
mkdir -p "$out"
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
ORVENA_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} build/tests/gui/test_gui >/dev/null
ls "$out"/*.png

#!/usr/bin/env bash
# Starts the real window on a virtual X display, runs "&Convert" on the start-up picture and
# saves a PNG of the window to OUT.png.
set -euo pipefail
out=$(realpath -m "${1:?usage: scripts/screenshot.sh OUT.png}")
cd "$(dirname "$0")/.."

scripts/install-missing.sh xvfb xauth
source scripts/setup.sh

PALSHIFT_SCREENSHOT="$out" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" build/palshift
echo "Wrote $out"

#!/usr/bin/env bash
# Installs what is missing, builds, and opens the window. With no display, converts the built-in
# start-up picture instead and says where the result went.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/palshift "$@"
fi
out="$PWD/build/startup-diablo2.bmp"
build/palshift convert :/startup.bmp -o "$out"
echo "No display: converted the built-in start-up picture to $out"

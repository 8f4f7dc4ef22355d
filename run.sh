#!/usr/bin/env bash
# Installs what is missing, builds, and converts the built-in start-up picture.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

out="$PWD/build/startup-diablo2.bmp"
build/palshift convert :/startup.bmp -o "$out"
echo "Wrote $out"

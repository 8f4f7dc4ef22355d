#!/usr/bin/env bash
# Starts the real window on a virtual X display, runs "&Convert" and saves a PNG of the window to
# OUT.png (and OUT-message.png when a step fails, OUT-busy.png when one runs for over a quarter of a second).
#   PICTURE=FILE       opens FILE first instead of showing the start-up picture
#   PALETTES=FOLDER    reads the palettes from FOLDER (a folder without them shows a failure)
#   DIALOG=palettes    then shows File > Palettes... too, to OUT-palettes.png
#   ZOOM=N             shows the pictures at N x (1, 2, 3, 4, 6, 8, 12 or 16)
#   VIEW=palettes,unmatched  opens the palette panel, highlights unmatched pixels
set -euo pipefail
out=$(realpath -m "${1:?usage: [PICTURE=FILE] [PALETTES=FOLDER] [DIALOG=palettes] [ZOOM=N] [VIEW=...] scripts/screenshot.sh OUT.png}")
picture=${PICTURE:+$(realpath -m "$PICTURE")}
palettes=${PALETTES:+$(realpath -m "$PALETTES")}
cd "$(dirname "$0")/.."

scripts/install-missing.sh xvfb xauth
source scripts/setup.sh

rm -f "${out%.*}-message.${out##*.}" "${out%.*}-busy.${out##*.}" "${out%.*}-palettes.${out##*.}"
PALSHIFT_SCREENSHOT="$out" PALSHIFT_SCREENSHOT_PALETTES="$palettes" PALSHIFT_SCREENSHOT_DIALOG="${DIALOG:-}" \
    PALSHIFT_SCREENSHOT_ZOOM="${ZOOM:-1}" PALSHIFT_SCREENSHOT_VIEW="${VIEW:-}" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x1024x24" build/palshift ${picture:+"$picture"}
for shot in "$out" "${out%.*}-message.${out##*.}" "${out%.*}-busy.${out##*.}" "${out%.*}-palettes.${out##*.}"; do
    [ -e "$shot" ] && echo "Wrote $shot"
done
exit 0

#!/usr/bin/env bash
# Fails when a folder includes a folder above it: platform < palettes < bmp < pictures < convert < app.
# With a strict order, no include running up also means no circle between folders.
set -uo pipefail
cd "${1:-$(dirname "$0")/..}"
floors=(platform palettes bmp pictures convert app)
floor_of() { for i in "${!floors[@]}"; do [ "${floors[$i]}" = "$1" ] && echo "$i" && return; done; echo -1; }
failed=0
for folder in "${floors[@]}"; do
    mine=$(floor_of "$folder")
    while IFS= read -r hit; do
        to=${hit#*#include \"}
        to=${to%%/*}
        theirs=$(floor_of "$to")
        if [ "$theirs" -gt "$mine" ]; then
            echo "include runs up a floor ($folder below $to): $hit"
            failed=1
        fi
    done < <(grep -HnE '^\s*#\s*include "[a-z_]+/' "$folder"/*.cpp "$folder"/*.h 2>/dev/null)
done
[ "$failed" -eq 0 ] && echo "every include runs down: ${floors[*]}"
exit "$failed"

#!/usr/bin/env bash
# Builds the game if needed and renders the README's screenshots into docs/screenshots, and the
# scores window and the name box at scale 2 as well (scores@2x.png, scores-online@2x.png,
# name@2x.png).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
cmake --preset default >/dev/null
cmake --build --preset default --target zelto-screenshots
build/tools/screenshots/zelto-screenshots docs/screenshots "$@"
scale2=$(mktemp -d) && trap 'rm -rf "$scale2"' EXIT
QT_SCALE_FACTOR=2 build/tools/screenshots/zelto-screenshots "$scale2"
for picture in scores scores-online name; do cp "$scale2/$picture.png" "docs/screenshots/$picture@2x.png"; done

#!/usr/bin/env bash
# Builds the game if needed and renders the README's screenshots into docs/screenshots.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
cmake --preset default >/dev/null
cmake --build --preset default --target zelto-screenshots
build/tools/screenshots/zelto-screenshots docs/screenshots "$@"

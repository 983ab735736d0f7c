#!/usr/bin/env bash
# Sets up and builds the game if needed (only what playing needs), then starts it in the
# current directory (where the best score is kept in record.dat).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" play
exec "$root/build/zelto" "$@"

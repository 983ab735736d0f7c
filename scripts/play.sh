#!/usr/bin/env bash
# Sets up and builds Zelto if needed, then starts the game in the current directory (where
# the best score is kept in record.dat).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
exec "$root/build/zelto" "$@"

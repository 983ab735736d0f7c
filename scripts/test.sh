#!/usr/bin/env bash
# Sets up and builds everything if needed, then runs the whole test suite through CTest.
# Extra arguments go to ctest (for example -L unit, or -R record).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" test
cd "$root"
ctest --preset default "$@"

#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo pass their validators, and the layers keep
# to their contract: no Qt header outside src/screens, src/sound's Qt device and src/app.
set -uo pipefail
root="${ZELTO_SOURCE_DIR:?}"
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; }

for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "skip: $tool is not installed"; exit 77; }
done
check "desktop entry validates" "desktop-file-validate '$root/dist/org.example.Zelto.desktop'"
check "metainfo validates" "appstreamcli validate --no-net '$root/dist/org.example.Zelto.metainfo.xml' >/dev/null"
check "the desktop entry is a game" "grep -qx 'Categories=Game;ArcadeGame;' '$root/dist/org.example.Zelto.desktop'"

# The core and the replay tool are plain C++: they build without Qt.
qt_in_core=$(cd "$root" && grep -rlE '#include <(Q|qt)' src/field src/player src/enemies src/scoring \
    src/sound/sound_device.h src/sound/mm_control.* src/sound/wave_path.cpp tools/replay)
check "no Qt header in the core${qt_in_core:+: $qt_in_core}" "[[ -z '$qt_in_core' ]]"

echo "$(( $(grep -c '^check ' "$0") - failures )) passed, $failures failed"
((failures == 0))

#!/usr/bin/env bash
# The desktop entry and metainfo validate; the record file is in the current folder from a
# terminal, in the user's data folder from the desktop entry's own Exec line; the core has no Qt.
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

# Runs the command line $1 with --play in a fresh current folder and HOME, with the environment
# words after $2, and checks that the one record file the play field made is $2 (under $work).
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
record_at() {
    rm -rf "${work:?}"/* && mkdir "$work/cwd" "$work/home" || return 1
    (cd "$work/cwd" && exec env "${@:3}" HOME="$work/home" PATH="${ZELTO_BUILD_DIR:?}:$PATH" \
        QT_QPA_PLATFORM=offscreen $1 --play &>/dev/null) &
    local game=$! ready
    # The field writes its record file as it opens; a slow build (sanitizers) may take seconds.
    for ready in {1..200}; do [[ -n $(find "$work" -name record.dat) ]] && break; sleep 0.1; done
    kill "$game" && wait "$game"
    [[ -f $work/$2 && $(find "$work" -name record.dat | wc -l) -eq 1 ]]
}
entry=$(sed -n '0,/^Exec=/s/^Exec=//p' "$root/dist/org.example.Zelto.desktop")
check "its action opens the settings" \
    "grep -qx 'Exec=$entry --settings' '$root/dist/org.example.Zelto.desktop'"
check "from a terminal the record is in the current folder" "record_at zelto cwd/record.dat"
check "from the desktop entry in \$XDG_DATA_HOME/zelto" \
    "record_at '$entry' data/zelto/record.dat XDG_DATA_HOME=$work/data"
check "... by default in ~/.local/share/zelto" \
    "record_at '$entry' home/.local/share/zelto/record.dat -u XDG_DATA_HOME"
check "... in the current folder when that cannot be made" \
    "record_at '$entry' cwd/record.dat XDG_DATA_HOME=/proc/zelto"

# The core and the replay tool are plain C++: they build without Qt.
qt_in_core=$(cd "$root" && grep -rlE '#include <(Q|qt)' src/{base,field,player,enemies,scoring,game,replay} \
    src/sound/sound_device.h src/sound/mm_control.* src/sound/wave_path.cpp tools/replay)
check "no Qt header in the core${qt_in_core:+: $qt_in_core}" "[[ -z '$qt_in_core' ]]"

echo "$(( $(grep -c '^check ' "$0") - failures )) passed, $failures failed"
((failures == 0))

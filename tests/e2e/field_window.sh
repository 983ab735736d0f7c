#!/usr/bin/env bash
# On Xvfb with its own sound server: the menu, and Alt+P opens the frameless 800x600 field
# off the task bar, ship drawn, an empty record.dat made, music playing. "x", "m", "q" save 0
# and "&Esci" ends a game that printed nothing, with XDG_RUNTIME_DIR set or not. Without a
# display: one line and status 1 (QT_QPA_PLATFORM=offscreen still starts).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
game=$build/zelto
if [[ -z ${ZELTO_E2E_UNDER_XVFB:-} ]]; then
    status=0
    message=$(env -i PATH="$PATH" HOME="$HOME" "$game" 2>&1 >/dev/null) || status=$?
    [[ $status -eq 1 && $(wc -l <<<"$message") -eq 1 && $message == *DISPLAY* ]] ||
        { echo "FAIL: without a display: status $status, said: $message"; exit 1; }
    echo "ok: without a display: status 1 and one line: $message"
    status=0
    timeout 1 env -i PATH="$PATH" HOME="$HOME" QT_QPA_PLATFORM=offscreen "$game" &>/dev/null || status=$?
    ((status == 124)) || { echo "FAIL: QT_QPA_PLATFORM=offscreen: status $status"; exit 1; }
fi
under_xvfb xwininfo xprop import convert pulseaudio

work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work
log=$work/game.log
game_pid=
trap '[[ -n $game_pid ]] && kill $game_pid 2>/dev/null; pulseaudio -k 2>/dev/null; rm -rf "$work"' EXIT
pass() { echo "ok: $*"; }
sound_server || fail "the test's sound server did not start"

# Starts the game in a new folder $1, with the environment words after it, and opens the play
# field from the menu with Alt+P.
start_game() {
    mkdir "$work/$1" && cd "$work/$1"
    env "${@:2}" "$game" >"$work/game.log" 2>&1 &
    game_pid=$!
    wait_for window Zelto 'geometry 312x275' || fail "no menu appeared"
    menu=$(window Zelto 'geometry 312x275')
    xdotool windowfocus --sync "$menu" key --clearmodifiers alt+p
    wait_for window Form1 'geometry 800x600' || fail "Alt+P opened no 800x600 play field"
    field=$(window Form1 'geometry 800x600')
}
# Whether the game's process has ended: gone, or a zombie until the shell reaps it.
ended() { [[ $(awk '{ print $3 }' "/proc/$game_pid/stat" 2>/dev/null || echo Z) == Z ]]; }

# x, m and q, then "&Esci": the best score saved, the game ended at once, the terminal clean.
quick_game() {
    start_game "$@"
    xdotool key --clearmodifiers x m q
    wait_for test -s record.dat || fail "quit saved no best score"
    [[ $(od -An -c record.dat | tr -d ' ') == '0\r\n' ]] || fail "record.dat holds $(od -An -c record.dat)"
    wait_for bash -c "! xdotool search --onlyvisible --name '^Form1\$'" || fail "q left the play field"
    xdotool windowfocus --sync "$menu" key --clearmodifiers alt+e
    wait_for ended || fail "Esci left the game running"
    wait "$game_pid" || fail "the game ended with status $?"
    game_pid=
    [[ ! -s $work/game.log ]] || fail "the game wrote to the terminal"
}

start_game first
xprop -id "$field" _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR || fail "field on the task bar"
xprop -id "$field" _MOTIF_WM_HINTS | grep -q '= 0x2, 0x1, 0x0' || fail "field has a frame"
[[ -f record.dat && ! -s record.dat ]] || fail "no empty record.dat in the current directory"
wait_for bash -c 'pactl list short sink-inputs | grep -q .' || fail "no music on the sound server"
sleep 0.3
import -window "$field" "$work/field.png"
[[ $(convert "$work/field.png" -crop 50x64+256+496 -format '%[fx:int(255*maxima)]' info:) -gt 0 ]] ||
    fail "no ship at (256,496)"
pass "frameless 800x600 field off the task bar, ship drawn, empty record.dat, music playing"
kill "$game_pid" && wait "$game_pid" 2>/dev/null || true
game_pid=

quick_game quick
pass "x, m, q saved 0 CR LF in record.dat; Esci ended a game that wrote nothing"
quick_game no-runtime -u XDG_RUNTIME_DIR PULSE_SERVER="unix:$work/pulse/native"
pass "without XDG_RUNTIME_DIR too"

#!/usr/bin/env bash
# Pause and controllers on a real X server, with its own Xvfb and PulseAudio null sink: Escape
# pauses the game ("Pausa", the music corked, "q" ignored) and resumes it; another program's
# window taking the focus pauses it, the Pause key resumes it; the terminal stays clean. Then
# the play field's controller and pause cases (SDL's virtual controllers) run on this X server.
# Skipped (77) without xvfb-run, xdotool, xev, import, convert, pulseaudio and pactl.
set -euo pipefail
build=$(realpath -m "${ZELTO_BUILD_DIR:-$(dirname "$0")/../../build}")
if [[ -z ${ZELTO_E2E_UNDER_XVFB:-} ]]; then
    for tool in xvfb-run xdotool xev import convert pulseaudio pactl; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    ZELTO_E2E_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi

work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work
cd "$work"
game_pid= other_pid=
trap 'kill $game_pid $other_pid 2>/dev/null || true; pulseaudio -k 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; sed 's/^/  game: /' game.log 2>/dev/null; exit 1; }
# Waits up to five seconds for the command to succeed.
wait_for() { for _ in {1..50}; do "$@" >/dev/null 2>&1 && return 0 || sleep 0.1; done && false; }
window() { xdotool search --onlyvisible --name "^$1\$"; }
pulseaudio -n -L module-native-protocol-unix -L 'module-null-sink sink_name=null' \
    --exit-idle-time=-1 --daemonize=yes 2>/dev/null && wait_for pactl info || fail "no sound server"

"$build/zelto" >game.log 2>&1 &
game_pid=$!
wait_for window Zelto || fail "no menu"
xdotool windowfocus --sync "$(window Zelto)" key alt+p
wait_for window Form1 || fail "no play field"
field=$(window Form1)
corked() { pactl list sink-inputs | grep -q "Corked: $1"; }
wait_for corked no || fail "no music"
# "Pausa" is the only white in the middle of the field.
lit() { [[ $(import -window "$field" -crop 120x30+340+285 +repage -format '%[fx:maxima>0.8]' info:) == 1 ]]; }
paused() { lit && corked yes && ! corked no; }
running() { ! lit && corked no && ! corked yes; }

xdotool windowfocus --sync "$field" key Escape q
wait_for paused || fail "Escape did not pause the picture and the music"
window Form1 >/dev/null || fail "q ended a paused game"
xdotool key Escape
wait_for running || fail "Escape did not resume"
echo "ok: Escape pauses (Pausa, the music corked, q ignored) and resumes"

xev >/dev/null &
other_pid=$!
wait_for window "Event Tester" || fail "no other program's window"
xdotool windowfocus --sync "$(window "Event Tester")"
wait_for paused || fail "the game went on behind another program's window"
xdotool windowfocus --sync "$field" key Pause
wait_for running || fail "Pause did not resume"
echo "ok: another program's window pauses the game; Pause resumes it"
kill "$game_pid" && wait "$game_pid" 2>/dev/null || true
[[ ! -s game.log ]] || fail "the game printed on the terminal"

QT_QPA_PLATFORM=xcb "$build/tests/test_play_field_window" controllerTypesTheKeys \
    controllerWorksTheMenu pauseStopsTheRulesTime >cases.log 2>&1 ||
    { cat cases.log; fail "the controller and pause cases failed on X"; }
echo "ok: the controller and pause cases on X"

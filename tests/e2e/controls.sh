#!/usr/bin/env bash
# Pause and controllers on a real X server, with its own Xvfb and PulseAudio null sink: Escape
# pauses the game ("Pausa", the music corked, "q" ignored) and resumes it; another program's
# window taking the focus pauses it, the Pause key resumes it; the terminal stays clean. Then
# the play field's controller and pause cases (SDL's virtual controllers) run on this X server.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
under_xvfb xev import convert pulseaudio pactl

work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work
cd "$work"
game_pid= other_pid=
trap 'kill $game_pid $other_pid 2>/dev/null || true; pulseaudio -k 2>/dev/null || true; rm -rf "$work"' EXIT
sound_server || fail "no sound server"

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

QT_QPA_PLATFORM=xcb "$build/tests/test_play_field_window" keysControllersAndThePause \
    fromTheMenuToAGameAndBackByMouseKeysAndController aFrameIsOnePresentOfWholeTicks \
    >cases.log 2>&1 ||
    { cat cases.log; fail "the controller and pause cases failed on X"; }
echo "ok: the controller, pause and frame cases on X (the X server drawing the field)"

#!/usr/bin/env bash
# On Xvfb with its own sound server: the menu alone does not connect; after the server has
# been away a while and is back, the next "a" plays the music; the idle menu uses no processor
# time meanwhile; and the terminal stays clean, in a game without a server too.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
under_xvfb pulseaudio pactl

work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work
cd "$work"
game_pid=
trap 'kill $game_pid 2>/dev/null || true; pulseaudio -k 2>/dev/null || true; rm -rf "$work"' EXIT
streams() { pactl list short sink-inputs | grep -q .; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$game_pid/stat"; }

sound_server || fail "the test's sound server did not start"
"$build/zelto" >game.log 2>&1 &
game_pid=$!
wait_for window Zelto || fail "no menu"
menu=$(window Zelto)
sleep 0.5
pactl list clients | grep -q "process.id = \"$game_pid\"" &&
    fail "the menu alone connected to the sound server"
xdotool windowfocus --sync "$menu" key --clearmodifiers alt+p
wait_for streams || fail "no music stream reached the sound server"
echo "ok: the menu does not connect to the sound server, a game's music does"

pulseaudio -k
sleep 4
xdotool key --clearmodifiers a m
sound_server
xdotool key --clearmodifiers a
wait_for streams || fail "no sound after the sound server came back"
echo "ok: after the sound server's restart the next \"a\" plays the music again"

xdotool key --clearmodifiers q
pulseaudio -k
sleep 1
before=$(cpu_ticks) && sleep 3
(($(cpu_ticks) - before <= 1)) || fail "the idle menu used $(($(cpu_ticks) - before)) ticks in 3 s"
xdotool windowfocus --sync "$menu" key --clearmodifiers alt+p
sleep 1
xdotool key --clearmodifiers a m x p q
sleep 0.5
kill "$game_pid" && wait "$game_pid" 2>/dev/null || true
[[ ! -s game.log ]] || fail "the game printed on the terminal"
echo "ok: no processor time on the idle menu and nothing printed, with or without a server"

#!/usr/bin/env bash
# The game and its sound server: the menu alone does not connect to it; after the server has
# been away for a while (longer than any retry of the multimedia library) and is back, the next
# "a" plays the music again; the idle menu uses no processor time while the server is away; and
# the terminal stays clean throughout, in a game without any server too.
# Runs itself again under its own Xvfb and its own PulseAudio server with a null sink. Needs
# xvfb-run, xdotool, pulseaudio and pactl (skipped, status 77, without them).
set -euo pipefail
game=$(realpath -m "${ZELTO_BUILD_DIR:-$(dirname "$0")/../../build}/zelto")
if [[ -z ${ZELTO_E2E_UNDER_XVFB:-} ]]; then
    for tool in xvfb-run xdotool pulseaudio pactl; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    ZELTO_E2E_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi

work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work
cd "$work"
game_pid=
trap 'kill $game_pid 2>/dev/null || true; pulseaudio -k 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; sed 's/^/  game: /' game.log 2>/dev/null; exit 1; }
# Waits up to five seconds for the command to succeed.
wait_for() { for _ in {1..50}; do "$@" >/dev/null 2>&1 && return 0 || sleep 0.1; done && false; }
start_server() {
    pulseaudio -n -L module-native-protocol-unix -L 'module-null-sink sink_name=null' \
        --exit-idle-time=-1 --daemonize=yes 2>/dev/null && wait_for pactl info
}
streams() { pactl list short sink-inputs | grep -q .; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$game_pid/stat"; }

start_server || fail "the test's sound server did not start"
"$game" >game.log 2>&1 &
game_pid=$!
wait_for xdotool search --onlyvisible --name '^Zelto$' || fail "no menu"
menu=$(xdotool search --onlyvisible --name '^Zelto$')
sleep 0.5
pactl list clients | grep -q "process.id = \"$game_pid\"" &&
    fail "the menu alone connected to the sound server"
xdotool windowfocus --sync "$menu" key --clearmodifiers alt+p
wait_for streams || fail "no music stream reached the sound server"
echo "ok: the menu does not connect to the sound server, a game's music does"

pulseaudio -k
sleep 4
xdotool key --clearmodifiers a m
start_server
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

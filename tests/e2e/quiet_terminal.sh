#!/usr/bin/env bash
# What a player sees in the terminal. Without a display the game says in one line what is
# missing and ends with status 1 (a platform named in QT_QPA_PLATFORM still starts it). The
# game starts without the multimedia libraries. A normal game (menu, Alt+P, a few keys, q,
# "&Esci") writes nothing at all, with XDG_RUNTIME_DIR set and without it, and its music
# plays on the test's own PulseAudio server with a null sink.
#
# Needs xvfb-run, xdotool, pulseaudio and pactl for the game (skipped, status 77, without
# them). Exits 1 on the first failed check.
set -uo pipefail
game=${ZELTO_BUILD_DIR:?}/zelto
work=$(mktemp -d)
game_pid=
pulse_runtime=
cleanup() {
    if [[ -n $game_pid ]]; then kill "$game_pid" 2>/dev/null; fi
    if [[ -n $pulse_runtime ]]; then XDG_RUNTIME_DIR=$pulse_runtime pulseaudio -k 2>/dev/null; fi
    rm -rf "$work" "$pulse_runtime"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    for log in "$work"/*.log; do [[ -f $log ]] && sed "s|^|  $(basename "$log"): |" "$log"; done
    exit 1
}
pass() { echo "ok: $*"; }
wait_for() {
    local tries=$1
    shift
    for ((i = 0; i < tries; i++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

if [[ -z ${ZELTO_E2E_UNDER_XVFB:-} ]]; then
    cd "$work" || exit 1
    env -i PATH="$PATH" HOME="$HOME" "$game" >out.log 2>err.log
    status=$?
    [[ $status -eq 1 && ! -s out.log && $(wc -l <err.log) -eq 1 ]] ||
        fail "without a display: status $status"
    grep -q 'DISPLAY' err.log || fail "the message does not name what is missing"
    pass "without a display: status 1 and one line: $(cat err.log)"
    rm -f out.log err.log
    timeout 2 env -i PATH="$PATH" HOME="$HOME" QT_QPA_PLATFORM=offscreen "$game" >/dev/null 2>&1
    [[ $? -eq 124 ]] || fail "QT_QPA_PLATFORM=offscreen without a display did not start the game"
    pass "QT_QPA_PLATFORM=offscreen still starts the game without a display"
    if command -v readelf >/dev/null; then
        ! readelf -d "$game" | grep -q 'Multimedia' || fail "the game links the multimedia libraries"
        pass "the game starts without the multimedia libraries"
    fi

    for tool in xvfb-run xdotool pulseaudio pactl; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    ZELTO_E2E_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi

pulse_runtime=$(mktemp -d)
XDG_RUNTIME_DIR=$pulse_runtime pulseaudio -n -L module-native-protocol-unix \
    -L 'module-null-sink sink_name=null' --exit-idle-time=-1 --daemonize=yes 2>/dev/null
wait_for 50 env XDG_RUNTIME_DIR="$pulse_runtime" pactl info || fail "the test's sound server did not start"
sounding() { XDG_RUNTIME_DIR=$pulse_runtime pactl list short sink-inputs | grep -q .; }
# Whether the game's process has ended (a zombie until it is waited for).
ended() {
    local state
    state=$(awk '{ print $3 }' "/proc/$game_pid/stat" 2>/dev/null) || return 0
    [[ $state == Z ]]
}

# Plays one normal game in a new folder, with the environment words in $@.
play() {
    mkdir "$work/$1"
    cd "$work/$1" || exit 1
    shift
    env "$@" "$game" >"$work/stdout.log" 2>"$work/stderr.log" &
    game_pid=$!
    local menu
    wait_for 100 xdotool search --onlyvisible --name '^Zelto$' || fail "no menu appeared"
    menu=$(xdotool search --onlyvisible --name '^Zelto$' | head -n 1)
    xdotool windowfocus --sync "$menu" key --clearmodifiers alt+p
    wait_for 100 xdotool search --onlyvisible --name '^Form1$' || fail "Alt+P opened no play field"
    wait_for 50 sounding || fail "the music did not reach the sound server"
    xdotool key --clearmodifiers x m p z m p
    sleep 0.5
    xdotool key --clearmodifiers q
    wait_for 50 bash -c "! xdotool search --onlyvisible --name '^Form1\$'" || fail "q left the play field open"
    xdotool windowfocus --sync "$menu" key --clearmodifiers alt+e
    wait_for 50 ended || fail "Esci left the game running"
    wait "$game_pid"
    local status=$?
    game_pid=
    [[ $status -eq 0 ]] || fail "the game ended with status $status"
    [[ ! -s $work/stdout.log && ! -s $work/stderr.log ]] || fail "the game wrote to the terminal"
}

play with-runtime XDG_RUNTIME_DIR="$pulse_runtime"
pass "a normal game writes nothing to the terminal"
play without-runtime -u XDG_RUNTIME_DIR PULSE_SERVER="unix:$pulse_runtime/pulse/native"
pass "nor does it without XDG_RUNTIME_DIR"
echo "PASS: quiet terminal"

#!/usr/bin/env bash
# The game on a real X server: it starts on its menu, and Alt+P opens the frameless 800x600
# play field off the task bar, which draws the ship and the rocks where they belong, creates an
# empty record.dat in the current directory, plays its music on a sound server, moves the ship
# on "x", shows the volley above the ship after "m", and closes on "q", after which Alt+P
# starts a second game. A quick "x", "m", "q" saves a best score of 0, and "&Esci" then ends a
# game that wrote nothing to the terminal, with XDG_RUNTIME_DIR set or not. Without a display
# the game says so in one line and ends with status 1 (QT_QPA_PLATFORM=offscreen still starts
# it), and it starts without the multimedia libraries, which wait for the first game.
#
# Runs itself again under its own Xvfb (-noreset: it must outlive the first game as a client) and its own PulseAudio server with a null sink.
# Needs xvfb-run, xdotool, xwininfo, xprop, import and convert (skipped, status 77, without
# them); pulseaudio and pactl for the sound check. Exits 1 on the first failed check.
set -euo pipefail

build_dir=${ZELTO_BUILD_DIR:-$(dirname "$0")/../../build}
game=$build_dir/zelto

if [[ -z ${ZELTO_E2E_UNDER_XVFB:-} ]]; then
    for tool in xvfb-run xdotool xwininfo xprop import convert; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    [[ -x $game ]] || { echo "FAIL: no game at $game"; exit 1; }
    status=0
    message=$(env -i PATH="$PATH" HOME="$HOME" "$game" 2>&1 >/dev/null) || status=$?
    [[ $status -eq 1 && $(wc -l <<<"$message") -eq 1 && $message == *DISPLAY* ]] ||
        { echo "FAIL: without a display: status $status, said: $message"; exit 1; }
    echo "ok: without a display: status 1 and one line: $message"
    status=0
    timeout 1 env -i PATH="$PATH" HOME="$HOME" QT_QPA_PLATFORM=offscreen "$game" &>/dev/null || status=$?
    ((status == 124)) || { echo "FAIL: QT_QPA_PLATFORM=offscreen: status $status"; exit 1; }
    ZELTO_E2E_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi

work=$(mktemp -d)
game_pid=
pulse_runtime=
cleanup() {
    if [[ -n $game_pid ]]; then kill "$game_pid" 2>/dev/null || true; fi
    if [[ -n $pulse_runtime ]]; then
        XDG_RUNTIME_DIR=$pulse_runtime pulseaudio -k 2>/dev/null || true
    fi
    rm -rf "$work" "${pulse_runtime:-}"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    [[ -f $work/game.log ]] && sed 's/^/  game: /' "$work/game.log"
    exit 1
}
pass() { echo "ok: $*"; }

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
    local tries=$1
    shift
    for ((i = 0; i < tries; i++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

if command -v pulseaudio >/dev/null && command -v pactl >/dev/null; then
    pulse_runtime=$(mktemp -d)
    export XDG_RUNTIME_DIR=$pulse_runtime
    pulseaudio -n -L module-native-protocol-unix -L 'module-null-sink sink_name=null' \
        --exit-idle-time=-1 --daemonize=yes 2>/dev/null || true
    wait_for 50 pactl info || fail "the test's sound server did not start"
fi

# A sanitizer build reports what system libraries keep until exit; only our leaks count.
printf 'leak:libdbus-1.so\nleak:libfontconfig.so\n' >"$work/lsan.supp"
export LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$work/lsan.supp

# Starts the game in a new folder $1, with the environment words after it, and opens the play
# field from the menu with Alt+P.
menu=
start_game() {
    mkdir "$work/$1"
    cd "$work/$1"
    env "${@:2}" "$game" >"$work/game.log" 2>&1 &
    game_pid=$!
    wait_for 100 menu_window || fail "no menu appeared within 10 s"
    menu=$(menu_window)
    xdotool windowfocus --sync "$menu" key --clearmodifiers alt+p
    wait_for 100 field_window || fail "Alt+P opened no play field within 10 s"
    window=$(field_window)
}
# The visible windows captioned exactly $1.
visible_windows() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
size_of() { xwininfo -id "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'; }
# The play field is the 800x600 "Form1"; the menu is the 312x275 "Zelto".
window_sized() {
    local id
    for id in $(visible_windows "$1"); do
        [[ $(size_of "$id") == "$2" ]] && { echo "$id"; return 0; }
    done
    return 1
}
field_window() { window_sized Form1 800x600; }
menu_window() { window_sized Zelto 312x275; }

start_game run
pass "the menu shows, and Alt+P opens the play field"
info=$(xwininfo -id "$window")
field() { awk -F: -v key="$1" '$1 ~ key { gsub(/ /, "", $2); print $2 }' <<<"$info"; }
wx=$(field "Absolute upper-left X")
wy=$(field "Absolute upper-left Y")
[[ $(field "Width") == 800 && $(field "Height") == 600 ]] ||
    fail "window is $(field Width)x$(field Height), not 800x600"
pass "window $window at ($wx,$wy), 800x600"

xprop -id "$window" _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR ||
    fail "window is on the task bar: $(xprop -id "$window" _NET_WM_STATE)"
xprop -id "$window" _MOTIF_WM_HINTS | grep -q '= 0x2, 0x1, 0x0' ||
    fail "window has a frame: $(xprop -id "$window" _MOTIF_WM_HINTS)"
pass "no frame, no task-bar entry"

[[ -f record.dat && ! -s record.dat ]] || fail "no empty record.dat in the current directory"
pass "empty record.dat created in the current directory"

if [[ -n $pulse_runtime ]]; then
    wait_for 50 bash -c 'pactl list short sink-inputs | grep -q .' ||
        fail "no sound stream reached the sound server"
    pass "the music plays on the sound server"
fi

screenshot() { import -window root "$work/$1.png" || fail "screenshot failed"; }
# The brightest channel value (0..255) in a w x h area at (x, y) of the field.
brightest() {
    convert "$work/$1.png" -crop "$4x$5+$((wx + $2))+$((wy + $3))" +repage -depth 8 \
        -format '%[fx:int(255*maxima)]' info:
}
# Left edge (in field pixels) of what is drawn in the ship's rows.
ship_left() {
    local box
    box=$(convert "$work/$1.png" -crop "800x64+$wx+$((wy + 496))" +repage \
        -bordercolor black -border 1 -format '%@' info:)
    local x=${box#*+}
    echo $((${x%%+*} - 1))
}

sleep 0.5
screenshot start
[[ $(brightest start 256 496 50 64) -gt 0 ]] || fail "no ship at (256,496)"
pass "ship drawn at (256,496)"
[[ $(brightest start 744 0 30 120) -gt 0 ]] || fail "no rock (Image7) under (744,0)"
pass "rock drawn under (744,0)"
[[ $(brightest start 200 300 400 100) -eq 0 ]] || fail "something drawn in the empty middle"
pass "middle of the field is black"
[[ $(brightest start 72 576 57 17) -gt 200 ]] || fail "no white \"Score\" caption"
pass "white score caption"
start_left=$(ship_left start)
((start_left >= 256 && start_left < 276)) || fail "ship's left edge at $start_left"

xdotool key --clearmodifiers x
sleep 0.6
xdotool key --clearmodifiers p
sleep 0.2
screenshot moved
moved_left=$(ship_left moved)
((moved_left >= start_left + 13)) || fail "ship did not move right on x ($start_left -> $moved_left)"
pass "x moved the ship right ($start_left -> $moved_left px)"

xdotool key --clearmodifiers m p
sleep 0.2
screenshot fired
# The frozen volley is somewhere between the top of the field and the ship, over the ship.
[[ $(brightest fired $((moved_left - 5)) 0 70 490) -gt 0 ]] || fail "no shots above the ship after m"
pass "the volley shows above the ship after m"

xdotool key --clearmodifiers q
wait_for 50 bash -c "! xdotool search --onlyvisible --name '^Form1\$' >/dev/null" ||
    fail "the play field did not close on q"
kill -0 "$game_pid" || fail "the program ended with the play field"
pass "q closed the play field; the menu stays"
xdotool windowfocus --sync "$menu" key --clearmodifiers alt+p
wait_for 100 field_window || fail "a second Alt+P opened no play field"
window=$(field_window)
sleep 0.3
screenshot second
[[ $(ship_left second) -eq $start_left ]] || fail "the second game's ship is at $(ship_left second), not at its start"
pass "Alt+P after q starts a second game from the start"
kill "$game_pid"
wait "$game_pid" 2>/dev/null || true
game_pid=

# Whether the game's process has ended: gone, or a zombie until the shell reaps it.
ended() {
    local state
    state=$(awk '{ print $3 }' "/proc/$game_pid/stat" 2>/dev/null) || return 0
    [[ $state == Z ]]
}
quick_game() {
    start_game "$@"
    xdotool key --clearmodifiers x m q
    wait_for 50 bash -c '[[ -s record.dat ]]' || fail "quit saved no best score"
    [[ $(od -An -c record.dat | tr -d ' ') == '0\r\n' ]] || fail "record.dat holds $(od -An -c record.dat)"
    wait_for 50 bash -c "! xdotool search --onlyvisible --name '^Form1\$'" || fail "q left the play field"
    xdotool windowfocus --sync "$menu" key --clearmodifiers alt+e
    wait_for 50 ended || fail "Esci left the game running"
    wait "$game_pid" || fail "the game ended with status $?"
    game_pid=
    # The sound backend has its say when it finds no sound server; the game has none.
    [[ -z $pulse_runtime || ! -s $work/game.log ]] || fail "the game wrote to the terminal"
}
quick_game quick
pass "x, m, q saved 0 CR LF in record.dat; Esci ended a game that wrote nothing"
if [[ -n $pulse_runtime ]]; then
    quick_game no-runtime -u XDG_RUNTIME_DIR PULSE_SERVER="unix:$pulse_runtime/pulse/native"
    pass "without XDG_RUNTIME_DIR too"
fi
echo "PASS: field window"

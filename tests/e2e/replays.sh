#!/usr/bin/env bash
# Games recorded under Xvfb with random keys while both cores are busy (so ticks come late)
# check out headless: events, captions, record.dat. Watched again, a game ends on its last
# picture. A quit game is kept as the last game; a spoilt recording is refused in a box.
# ZELTO_E2E_GAMES games (default 2) of ZELTO_E2E_SECONDS seconds (default 5).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
under_xvfb import compare

work=$(mktemp -d)
pids=()
trap '((${#pids[@]})) && kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
# Starts the game with the given words in folder $1, whose record file holds 1500; game_pid.
start() {
    mkdir -p "$work/$1" && cd "$work/$1" && printf '1500\r\n' >record.dat
    XDG_STATE_HOME=$work/state "$build/zelto" "${@:2}" >game.log 2>&1 &
    game_pid=$!
    wait_for window Form1 || fail "no play field"
    xdotool windowfocus --sync "$(window Form1)"
}
stop() { kill -TERM "$game_pid" && wait "$game_pid" || fail "the game ended with status $?"; }
# The recording checked headless beside a record file as the game's was at its start.
check() {
    mkdir -p "$work/check" && printf '1500\r\n' >"$work/check/record.dat"
    (cd "$work/check" && "$build/zelto-replay" "$1" >/dev/null) || fail "$1 does not check out"
}

# Both cores busy meanwhile.
for _ in 1 2; do
    (while :; do :; done) &
    pids+=($!)
done
games=${ZELTO_E2E_GAMES:-2}
seconds=${ZELTO_E2E_SECONDS:-5}
bytes=0
for ((game = 1; game <= games; game++)); do
    start "game$game" --play --record game.zrp
    end=$((SECONDS + seconds))
    while ((SECONDS < end)); do
        xdotool key --clearmodifiers "$(shuf -n1 -e z x m m p l k a s Return)"
        sleep "0.$((RANDOM % 4))"
    done
    stop
    check "$work/game$game/game.zrp"
    bytes=$((bytes + $(stat -c %s "$work/game$game/game.zrp")))
done
kill "${pids[@]}" && pids=()
echo "ok: $games games of $seconds s under load check out; $((bytes * 60 / games / seconds)) bytes a minute"

# Played to its game over and watched again: the same last picture.
start ended --play --record game.zrp
xdotool key --clearmodifiers x m
over() { for _ in {1..9}; do wait_for window 'Zelto!' && return; done && false; }
over || fail "no game over"
sleep 2 # the box stays as long when watched: long enough to be seen under load
xdotool windowfocus --sync "$(window 'Zelto!')" key Return
sleep 0.5
import -window "$(window Form1)" "$work/played.png"
stop
log=watch.log
XDG_STATE_HOME=$work/state "$build/zelto" --watch game.zrp >watch.log 2>&1 &
game_pid=$!
wait_for window Form1 || fail "watching showed no play field"
over || fail "the watched game never ended"
wait_for bash -c "! xdotool search --onlyvisible --name '^Zelto!\$'" || fail "the box stayed open"
sleep 0.5
import -window "$(window Form1)" "$work/watched.png"
stop
[[ $(compare -metric AE "$work/played.png" "$work/watched.png" null: 2>&1) == 0 ]] ||
    fail "the watched game ended on another picture"
[[ $(od -An -c record.dat | tr -d ' ') == '1500\r\n' ]] || fail "watching wrote record.dat"
echo "ok: watched again, the game ends on the picture it ended on, and record.dat is untouched"

# Without --record the game quit is kept as the last game.
start last --play
xdotool key --clearmodifiers x m
sleep 1
xdotool key --clearmodifiers q
wait_for test -s "$work/state/zelto/last-game.zrp" || fail "no last game kept"
stop
check "$work/state/zelto/last-game.zrp"
echo "ok: the last game is kept in XDG_STATE_HOME and checks out"

# A spoilt recording: a box says so, and the program ends.
sed '5s/.*/key/' "$work/ended/game.zrp" >"$work/spoilt.zrp"
"$build/zelto" --watch "$work/spoilt.zrp" &
game_pid=$!
wait_for window Zelto || fail "no box for a spoilt recording"
xdotool windowfocus --sync "$(window Zelto)" key Return
wait "$game_pid" && fail "a spoilt recording was watched" || true
echo "ok: a spoilt recording is refused in a box"

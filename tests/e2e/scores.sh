#!/usr/bin/env bash
# The table of best games, in the real program under Xvfb: a game ended by the rocks and one
# quit after scoring enter it by the name box; the scores window lists them best first, watches
# one to its end and saves one; the table's recordings check out, named. A damaged index is
# rebuilt from them; two programs ending games at once both enter theirs. And zelto-replay
# checks an earlier recording, without a player line, anywhere, leaving record.dat alone.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
under_xvfb import convert

work=$(mktemp -d)
pids=()
trap '((${#pids[@]})) && kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
export QT_LOGGING_RULES="zelto.scores.debug=true"
table=$XDG_DATA_HOME/zelto/scores
cd "$work"

printf '1500\r\n' >record.dat
[[ $("$build/zelto-replay" "${ZELTO_SOURCE_DIR:?}/tests/data/recordings/gameover-quit.zrp") == \
    "checks out: 200 points, 26 s, 19 keys" ]] || fail "an earlier recording does not check out"
[[ $(od -An -c record.dat | tr -d ' ') == '1500\r\n' ]] || fail "zelto-replay touched record.dat"
echo "ok: an earlier recording checks out here, record.dat untouched"

start() { "$build/zelto" "$@" >>game.log 2>&1 & pids+=($!); }
shown() { wait_for window Punteggi && sed -n 's/.*the scores window shows: //p' game.log | tail -1; }
# The table's recordings check out, named: "POINTS NAME" each, best first (ties: as entered).
expected() {
    for file in "$table"/*.zrp; do "$build/zelto-replay" "$file" || fail "$file does not check out"
    done | sed -E 's/checks out: ([0-9]+) points by ([^,]+),.*/\1 \2/' | sort -s -k1,1nr | paste -sd, |
        sed 's/,/, /g'
}

start --play
play "${pids[0]}" z
for _ in 1 2 3; do wait_for window 'Zelto!' && break; done
xdotool windowfocus --sync "$(window 'Zelto!')" key --clearmodifiers Return
named Ada
[[ $(shown) == "$(expected)" ]] || fail "the table shows $(shown)"
xdotool windowfocus --sync "$(window Punteggi)" key Escape
xdotool windowfocus --sync "$(window Zelto)" key --clearmodifiers alt+p
play "${pids[0]}" x
xdotool key --clearmodifiers q
named Bob
[[ $(shown) == "$(expected)" && $(expected) == *Ada* && $(expected) == *Bob* ]] ||
    fail "the table shows $(shown), its recordings say $(expected)"
echo "ok: two games entered, by the rocks and by the quit key: $(shown)"

xdotool windowfocus --sync "$(window Punteggi)" key Return # Bob's game, the current row
wait_for window Form1 || fail "watching showed no play field"
# Watching takes as long as the game did (up to twenty volleys): ten seconds more than that.
length=$(($(for file in "$table"/*.zrp; do "$build/zelto-replay" "$file"; done |
    sed -nE '/ by Bob, /{s/.* by Bob, ([0-9]+ min )?([0-9]+) s,.*/\1\2/; s/ min /*60+/; p}')))
ended=false
for ((waited = 0; waited <= length; waited += 10)); do
    wait_for bash -c "! xdotool search --onlyvisible --name '^Form1\$'" && ended=true && break
done
$ended || fail "watching Bob's game of $length s did not end with it"
xdotool windowfocus --sync "$(window Punteggi)" key --clearmodifiers alt+s
wait_for window 'Salva la partita' || fail "no file dialog"
# The dialog's own window takes the keys, however slowly it came up.
xdotool windowfocus --sync "$(window 'Salva la partita')" sleep 0.5 key --clearmodifiers ctrl+a \
    type "$work/saved.zrp"
xdotool key Return
wait_for test -s saved.zrp && "$build/zelto-replay" saved.zrp | grep -q ' by Bob,' || fail "not saved"
kill "${pids[@]}" && wait && pids=()
[[ $(ls "$table") == *index* ]] && (($(ls "$table"/*.zrp | wc -l) == 2)) || fail "$(ls "$table")"
echo "ok: watched to its end, saved elsewhere; the index and two named recordings in $table"

echo damaged >"$table/index"
start --scores
[[ $(shown) == "$(expected)" && -f $table/index.damaged ]] || fail "not rebuilt: $(shown)"
grep -q "zelto.scores: the table of best games was damaged" game.log || fail "no warning"
kill "${pids[@]}" && wait && pids=()
echo "ok: a damaged index is set aside, with a warning, and rebuilt"

# Both games quit, their name boxes answered at once.
for steer in x z; do
    start --play && play "${pids[-1]}" $steer && xdotool key q
    wait_for on "${pids[-1]}" Nome || fail "no name box"
done
xdotool windowfocus --sync "$(on "${pids[0]}" Nome)" key Return \
    windowfocus --sync "$(on "${pids[1]}" Nome)" key Return
# wait_for runs its command again each time: the count is taken in it, not once before.
wait_for bash -c "(( \$(grep -c . '$table/index') == 5 ))" || fail "$(cat "$table/index")"
[[ $(expected | grep -o , | wc -l) == 3 ]] || fail "a recording is missing"
echo "ok: two programs ending games at once both enter the table"

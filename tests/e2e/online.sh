#!/usr/bin/env bash
# The game and a real zelto-board on loopback, under Xvfb: without a board no connection; a game
# played after --board lands on the board with its score and name, printing nothing; with the
# board stopped two games wait in the outbox, and arrive once each when it is back; the board's
# games are watched from the page Online and by address; a spoilt recording is shown refused
# with its line. Boards that answer slowly, with garbage, with 1 GB, with redirects forever or
# without TLS keep the game waiting, with one line each. kill -9 at any moment loses no game
# and spoils neither the outbox nor the key; a game the board kept before the kill (joined in
# the window) is held once.
source "$(dirname "$0")/lib.sh"
under_xvfb import convert curl python3
source "$(dirname "$0")/board_lib.sh"

export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
outbox=$XDG_STATE_HOME/zelto/outbox
keyfile=$XDG_CONFIG_HOME/zelto/board-key
spoilt=$here/../data/recordings/gameover-quit.zrp
cd "$work"

# start LOGGING ARGS...: the game, its output in $log; its pid in $game.
start() {
    QT_LOGGING_RULES=$1 "$build/zelto" "${@:2}" >>"$log" 2>&1 &
    game=$!
    pids+=("$game")
}
gone() { [[ ! -e /proc/$1 || $(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null) == Z ]]; }
# SIGTERM, and the game must be gone within ten seconds, however the board behaves.
stop() { kill -TERM "$game" && wait_for gone "$game" || fail "the game hangs"; wait "$game"; }
marks() { sed -n 's/.*the scores window marks: //p' "$log" | tail -1; }
marked() { marks | grep -q "$1"; }
is() { [[ $("${@:2}") == "$1" ]]; } # is VALUE COMMAND...: for wait_for, which runs it again
answered() { grep -l "\"state\": \"$1\"" "$outbox"/answers/*.json 2>/dev/null | wc -l; }
waiting() { find "$outbox" -maxdepth 1 -name '*.zrp' | wc -l; }
points() { "$build/zelto-replay" "$1" | sed -E 's/checks out: ([0-9]+) points.*/\1/'; }
# The board's table as "SCORE" lines, best first, and the table of best games' scores alike.
board_scores() { client scores "$board" | cut -d' ' -f3; }
own_scores() { for f in "$XDG_DATA_HOME"/zelto/scores/*.zrp; do points "$f"; done | sort -nr; }
# How many TCP connections program $1 holds.
tcp() {
    local inodes
    inodes=$(find "/proc/$1/fd" -lname 'socket:*' -printf '%l\n' | tr -dc '0-9\n')
    awk 'FNR > 1 { print $10 }' /proc/net/tcp /proc/net/tcp6 | grep -cxF "${inodes:-none}"
}
metric() { curl -s "http://$board/metrics" | sed -n "s/^zelto_board_submissions_$1_total //p"; }

start zelto.scores.debug=true --scores
wait_for marked "Scrivi l'indirizzo di un tabellone" || fail "no scores window"
check "no board: no connection, no key, no outbox" test "$(tcp "$game")" = 0 -a ! -e "$keyfile" -a ! -e "$outbox"
stop

start_board board --db "$work/board.sqlite" --rate 1000000
start zelto.scores.debug=true --board "http://$board" --play
play "$game" z
xdotool key --clearmodifiers q
named Ada
wait_for is 1 answered sent || fail "the game never reached the board"
check "... over a connection of its own" test "$(tcp "$game")" -gt 0
wait_for marked 'online: Il tuo posto migliore: 1° su 1$'
check "joined: board/url kept in zelto.conf" grep -qx "url=http://$board" "$XDG_CONFIG_HOME/zelto/zelto.conf"
check "the game on the board with its score ($(board_scores))" test "$(board_scores)" = "$(own_scores)"
check "... and its name" grep -q '"name":"Ada"' <(curl -s "http://$board/api/v1/games/1")
check "the key: 64 hex digits, mode 600" test "$(grep -cxE '[0-9a-f]{64}' "$keyfile")$(stat -c %a "$keyfile")" = 1600
check "the window marks the game sent, 1st ($(marks))" grep -q "^[0-9]* 1°; " <(marks)
check "a game that goes well prints nothing" test -z "$(grep -v '^zelto.scores: ' "$log")"
stop
cp "$keyfile" "$work/key"

# The board down: two games wait, marked so; the game carries on.
stop_board board
start "zelto.board.info=true;zelto.scores.debug=true" --play
play "$game" x
xdotool key --clearmodifiers q
named Bob
wait_for window Punteggi && xdotool windowfocus --sync "$(window Punteggi)" key Escape
xdotool windowfocus --sync "$(window Zelto)" key --clearmodifiers alt+p
play "$game" z
xdotool key --clearmodifiers q
named Cy
wait_for is 2 waiting
check "board down: two games wait in the outbox" test "$(waiting)" = 2
marked_waiting() { test "$(grep -o 'in attesa' <<<"$(marks)" | wc -l)" = 3; }
wait_for marked_waiting # the window is told of the outbox in its own time
check "... marked waiting ($(marks))" marked_waiting
# (On a slow machine the first game may be tried alone before the second is named.)
check "... one line a failed attempt" grep -q '^zelto.board: the game .* waits for the board: Connection refused; [12] games tried again in' "$log"
stop

# The board back on its address: both arrive, once each, at the next start.
start_board board --db "$work/board.sqlite" --listen "$board"
start "zelto.scores.debug=true;zelto.board.debug=true" --scores
wait_for is 3 answered sent
check "board back: both games arrive" test "$(waiting)$(answered sent)" = 03
check "... once each, with their scores" test "$(board_scores | paste -sd' ')" = "$(own_scores | paste -sd' ')"
check "... sent once ($(metric accepted) kept, $(metric duplicate) twice)" test "$(metric accepted):$(metric duplicate)" = 2:0
wait_for marked 'online: Il tuo posto migliore: 1° su 3'
check "... marked sent ($(marks))" grep -qE '^[0-9]+ [123]°, [0-9]+ [123]°, [0-9]+ [123]°;' <(marks)
# Return on the board's first row, on the page Online, watches it.
xdotool windowfocus --sync "$(window Punteggi)" key --clearmodifiers alt+o sleep 0.3 key Return
watched() { grep -q "GET http://$board/api/v1/games/[0-9]*/recording: 200" "$log" && window Form1; }
check "the page Online: a row watched" wait_for watched
stop
start '' --watch "http://$board/api/v1/games/1/recording"
check "zelto --watch with a board's address" wait_for window Form1
stop

sed 's/^key z +2$/key x +2/' "$spoilt" >"$outbox/spoilt.zrp"
start zelto.scores.debug=true --scores
wait_for is 1 answered refused
check "a spoilt recording: refused with its line, one warning" \
    test "$(grep -c 'refused the game spoilt.zrp for good: line 57: Label1.Caption is' "$log")" = 1
wait_for marked 'rifiutata: line 57: Label1.Caption is "100"'
check "... shown so in the window" marked 'rifiutata: line 57: Label1.Caption is "100"'
stop

# Bad boards: the game stays in the outbox, whole; one line for it, one for the table.
cp "$spoilt" "$work/pending.zrp"
while IFS='|' read -r mode scheme says; do
    out=$work/$mode-$scheme.out
    python3 "$here/fake_board.py" "$mode" >"$out" 2>/dev/null &
    pids+=($!)
    wait_for grep -q listening "$out" || fail "no fake board"
    address=$(sed -n 's|listening on http://||p' "$out")
    cp "$work/pending.zrp" "$outbox/pending.zrp"
    log=$work/$mode-$scheme.log
    start "zelto.board.info=true;zelto.scores.debug=true" --board "$scheme://$address" --scores
    for _ in 1 2; do wait_for grep -q 'waits for the board' "$log" && break; done
    wait_for marked "Il tabellone non risponde: .*$says"
    check "$scheme $mode: one line, '$says'" test "$(grep -c "^zelto.board: the game pending.zrp waits for the board: .*$says" "$log")" = 1
    check "$scheme $mode: the table, one line and marked" test "$(grep -c "table cannot be read: .*$says" "$log")" = 1
    check "$scheme $mode: nothing else said" test "$(grep -vc '^zelto.scores: ' "$log")" = 2
    check "$scheme $mode: the game kept whole in the outbox" cmp -s "$outbox/pending.zrp" "$work/pending.zrp"
    memory=$(awk '/^VmHWM/ { print $2 }' "/proc/$game/status")
    check "$scheme $mode: held in bounded memory (${memory} kB)" test "$memory" -lt 300000
    stop
    kill -9 "${pids[-2]}" && wait "${pids[-2]}" 2>/dev/null
done <<ROWS
slow|http|no byte came for 10 s
garbage|http|answer is no
huge|http|larger than 524288 bytes
redirect|http|[Rr]edirect
garbage|https|SSL\|TLS
ROWS
log=game.log
rm "$outbox/pending.zrp"

# kill -9 after the board has kept a game, before the game learns it: held once when sent again.
games --count 6 --seed 500 --length-ms 15000 "$work/new"
new=("$work"/new/*.zrp)
python3 "$here/fake_board.py" hold "http://$board" >"$work/hold.out" 2>/dev/null &
pids+=($!)
wait_for grep -q listening "$work/hold.out" || fail "no fake board"
cp "${new[0]}" "$outbox/held.zrp"
start '' --scores # joined in the window: Alt+O, Alt+B, the address, Return
wait_for window Punteggi || fail "no scores window"
xdotool windowfocus --sync "$(window Punteggi)" key --clearmodifiers alt+o alt+b ctrl+a \
    type "$(sed -n 's|listening on ||p' "$work/hold.out")"
xdotool key Return
wait_for grep -q 'handed on 201' "$work/hold.out" || fail "not handed on: $(cat "$work/hold.out")"
kill -9 "$game" && wait "$game" 2>/dev/null
check "kill -9 while sending: the game stays in the outbox, whole" cmp -s "${new[0]}" "$outbox/held.zrp"
check "... and the key" cmp -s "$keyfile" "$work/key"
check "... and the board joined in the window" grep -qx "url=$(sed -n 's|listening on ||p' "$work/hold.out")" "$XDG_CONFIG_HOME/zelto/zelto.conf"
start '' --board "http://$board" --scores
wait_for is 0 waiting
stop
check "... sent again, held once ($(metric accepted) kept, $(metric duplicate) twice)" test "$(metric accepted):$(metric duplicate)" = 3:1

# kill -9 at random moments while five games and a new key are on their way.
for n in 1 2 3 4 5; do cp "${new[n]}" "$outbox/new-$n.zrp"; done
rm "$keyfile"
# Each game waiting, whole, or answered (or both, between the two); one whole key, if any.
outbox_intact() {
    for n in 1 2 3 4 5; do
        [[ -e $outbox/new-$n.zrp || -e $outbox/answers/new-$n.json ]] || return 1
        [[ ! -e $outbox/new-$n.zrp ]] || cmp -s "${new[n]}" "$outbox/new-$n.zrp" || return 1
        [[ ! -e $outbox/answers/new-$n.json ]] ||
            python3 -m json.tool "$outbox/answers/new-$n.json" >/dev/null || return 1
    done
}
key_intact() {
    [[ ! -e $keyfile ]] && return
    [[ $(stat -c %a "$keyfile") == 600 ]] && grep -qxE '[0-9a-f]{64}' "$keyfile" || return 1
    [[ -e $work/key2 ]] || cp "$keyfile" "$work/key2"
    cmp -s "$keyfile" "$work/key2"
}
intact=0
for try in {1..12}; do
    start '' --scores
    sleep "0.$((RANDOM % 6))$((RANDOM % 10))"
    kill -9 "$game" && wait "$game" 2>/dev/null
    outbox_intact && key_intact || break
    intact=$try
done
check "12 kills -9: every game waiting or answered, whole, and one whole key ($intact intact)" test "$intact" = 12
start '' --scores
wait_for is 0 waiting
stop
check "... all five arrive once each ($(metric accepted) kept in all)" \
    test "$(answered sent)" = 9 -a "$(client scores "$board" | wc -l)" = 9 -a "$(metric accepted)" = 8
finish

#!/usr/bin/env bash
# Recordings against hostile files: --record targets refused before any window; --watch on
# files of any kind or size refused in a box at once, SIGTERM always answered within a second;
# a record file the game refuses still leaves a whole recording; a disk that fills up cuts the
# recording on a whole line.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
under_xvfb
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 1
# Ends the game with SIGTERM, which must be answered within a second (five under the
# sanitizers, whose leak check at exit scans the heap).
stop() {
    local tenths=10
    [[ -z ${ZELTO_E2E_SANITIZED:-} ]] || tenths=50
    kill -TERM "$1" 2>/dev/null
    for _ in $(seq "$tenths"); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    fail "SIGTERM was not answered within a second"
}

# --record: only a regular file or a new one, never the record file; one line and status 2.
mkfifo fifo && mkdir folder && printf '4500\r\n' >record.dat
for target in fifo Record.dat folder missing/game.zrp "$(printf 'n%.0s' {1..300})"; do
    QT_QPA_PLATFORM=offscreen timeout -k 1 5 "$build/zelto" --play --record "$target" 2>err
    [[ $? == 2 && $(wc -l <err) == 1 ]] || { log=err && fail "--record ${target:0:20} accepted"; }
done
[[ $(cat record.dat) == $'4500\r' ]] || fail "the record file changed"
echo "ok: --record refuses a FIFO, the record file, a folder, a missing folder and a long name"

# --watch: refused in a box at once, whatever the file.
head -c 10000000 /dev/zero | tr '\0' x >long-line && truncate -s 1G huge
for file in long-line huge /dev/zero fifo folder; do
    "$build/zelto" --watch "$file" >game.log 2>&1 &
    wait_for window Zelto || fail "no box for --watch $file"
    stop $!
done
echo "ok: --watch refuses a 10 MB line, 1 GB, /dev/zero, a FIFO and a folder at once"

# A record file the game refuses (a FIFO, a link to /dev/zero, a folder): one warning, and a
# whole recording that checks out.
for kind in fifo zero folder; do
    mkdir "$kind-game" && cd "$kind-game" || exit 1
    case $kind in
    fifo) mkfifo record.dat ;; zero) ln -s /dev/zero record.dat ;; folder) mkdir record.dat ;;
    esac
    "$build/zelto" --play --record game.zrp >game.log 2>&1 &
    wait_for window Form1 && xdotool windowfocus --sync "$(window Form1)" key x m m q
    wait_for grep -q '^end ' game.zrp || fail "$kind: the recording was not finished"
    stop $!
    [[ $(grep -c zelto.record game.log) == 1 ]] || fail "$kind: not one warning"
    "$build/zelto-replay" game.zrp | grep -q '^checks out' || fail "$kind: does not check out"
    cd ..
done
echo "ok: a record file the game refuses leaves a whole recording that checks out"

# A disk that fills up (a 1 KiB file size limit): the recording stops on a whole line, with one
# warning, and can still be watched as far as it went.
(trap '' XFSZ && ulimit -f 1 && exec "$build/zelto" --play --record full.zrp) >game.log 2>&1 &
game=$!
wait_for window Form1 && xdotool windowfocus --sync "$(window Form1)"
for _ in {1..40}; do xdotool key x m z m; done
wait_for grep -q 'cannot record' game.log || fail "no warning for a full disk"
stop $game
[[ $(tail -c1 full.zrp | od -An -c | tr -d ' ') == '\n' && $(stat -c %s full.zrp) -le 1024 ]] ||
    fail "the recording does not end on a whole line"
[[ $(grep -c 'cannot record' game.log) == 1 ]] || fail "more than one warning"
"$build/zelto" --watch full.zrp >game.log 2>&1 &
wait_for window Form1 || fail "a cut recording cannot be watched"
stop $!
echo "ok: a full disk cuts the recording on a whole line, which can be watched"

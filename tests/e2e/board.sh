#!/usr/bin/env bash
# The score board end to end on SQLite: the game's recordings, spoilt copies and names; the
# page in a real browser; hostile clients; SIGTERM and kill -9 during streams of submissions.
source "$(dirname "$0")/board_lib.sh"
dir=$here/../data/recordings

XDG_DATA_HOME=$work/data start_board board --read-timeout 2 --rate 1000000
client slow "$board" >"$work/slow" &
slow=$!
check "without --db, the games go to \$XDG_DATA_HOME/zelto-board/board.sqlite" \
    test -s "$work/data/zelto-board/board.sqlite"
check_submissions "$board"

answer=$(curl -s -w ' %{http_code}' --data-binary @"$dir/quit-paused.zrp" "http://$board/api/v1/games")
check "no key: 401" answers "$answer" 401 '{"error":"a submission needs the header Authorization'
answer=$(curl -s -w ' %{http_code}' -H "Authorization: Zelto-Key $(key 10 | tr a-f A-F)" \
    -H 'Content-Type: text/plain' --data-binary @"$dir/quit-paused.zrp" "http://$board/api/v1/games")
check "an upper-case key: 401" answers "$answer" 401 '{"error":"a submission needs'
read -r status seconds < <(client huge "$board")
check "10 MB announced, no body sent: 413 at once ($status after ${seconds}s)" \
    test "$status" = 413 -a "${seconds%.*}" -lt 2
seconds=$(curl -s -o /dev/null -w '%{time_total}' -H 'Content-Type: text/plain' \
    -H "Authorization: Zelto-Key $(key 1)" --data-binary @"$work/hours.zrp" "http://$board/api/v1/games")
check "a recording that claims 100 hours: refused in under a second (${seconds}s)" test "${seconds%.*}" -eq 0
metrics=$(curl -s "http://$board/metrics")
for line in 'zelto_board_submissions_accepted_total 7' 'zelto_board_submissions_duplicate_total 2' \
    'zelto_board_submissions_refused_total{reason="does_not_check_out"} 6' \
    'zelto_board_submissions_refused_total{reason="unauthorized"} 2' \
    'zelto_board_verify_seconds_count 16'; do
    check "metrics: $line" grep -qxF "$line" <<<"$metrics"
done
wait "$slow"
read -r seconds <"$work/slow"
check "a byte a second: cut by the 2 s read timeout (after ${seconds}s)" \
    awk -v s="$seconds" 'BEGIN { exit !(s >= 2 && s < 5) }'

start_board limited --rate 20 --db "$work/limited.sqlite"
# Answers "STATUS:COUNT ...": between LOW and HIGH served, every other one a 429 with
# Retry-After. A token comes back every 3 s, so a slow burst may get one more in.
served() {
    awk -v low="$2" -v high="$3" '{ for (i = 1; i <= NF; i++) { split($i, n, ":")
        if (n[1] == 200 || n[1] == 201) ok += n[2]; else if (n[1] != 429) bad = 1 } }
        END { exit bad || ok < low || ok > high }' <<<"$1"
}
check "1000 submissions from one client: 429 with Retry-After after its 20 a minute" \
    served "$(client burst "$limited" 127.0.0.1 "$(key 9)" 1000 "$dir/quit-paused.zrp")" 20 22
check "the same key from another address: 429" \
    served "$(client burst "$limited" 127.0.0.2 "$(key 9)" 5 "$dir/quit-paused.zrp")" 0 1
check "another key from that address: served" \
    test "$(client burst "$limited" 127.0.0.2 "$(key 8)" 5 "$dir/quit-paused.zrp")" = "200:5"

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 1 \
    -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 2>/dev/null
start_board secure --db "$work/secure.sqlite" --cert "$work/cert.pem" --key "$work/key.pem"
answer=$(curl -s --cacert "$work/cert.pem" -w ' %{http_code}' -H 'Content-Type: text/plain' \
    -H "Authorization: Zelto-Key $(key 1)" --data-binary @"$dir/quit-paused.zrp" "https://$secure/api/v1/games")
check "HTTPS with --cert and --key: a game kept" answers "$answer" 201 '"score":200,'

if command -v chromium >/dev/null; then
    chrome() {
        timeout 60 chromium --headless --no-sandbox --disable-gpu --no-first-run \
            --disable-background-networking --disable-component-update --disable-sync \
            --user-data-dir="$work/chromium" "$@" 2>/dev/null
    }
    chrome --dump-dom "http://$board/" >"$work/page.html"
    shown_as_text() { grep -qF '<td>&lt;svg onload=alert()&gt;</td>' "$1" && ! grep -qi '<svg' "$1"; }
    check "the page in Chromium: a name that is markup shows as text" shown_as_text "$work/page.html"
    check "the page in Chromium: the rows in rank order, as the API has them" test \
        "$(sed -n 's|^<tr><td class="n">\([0-9]*\)</td>.*<td class="n">\([0-9]*\)</td>.*/games/\([0-9]*\)/recording.*|\1 \3 \2|p' \
            "$work/page.html")" = "$(client scores "$board")"
    check "the page in Chromium: sized for a phone" grep -qF 'name="viewport"' "$work/page.html"
    chrome --screenshot="$work/board.png" --window-size=800,600 "http://$board/" >/dev/null
    check "the page in Chromium: a screenshot" test "$(head -c 4 "$work/board.png" | tail -c 3)" = PNG
else
    echo "skip: chromium is not installed, the page is not looked at"
fi

# SIGTERM while eight clients submit: what is under way is answered, and it exits 0.
games --count 400 --seed 1000 --length-ms 20000 "$work/stream"
streams=("$work"/stream/*.zrp)
stream() { # stream ADDRESS FILE...: in the background, until 40 answers are in
    client load "$@" >"$work/answers" &
    loader=$!
    for _ in {1..200}; do (($(wc -l <"$work/answers") >= 40)) && return; sleep 0.05; done
}
stream "$board" 8 "${streams[@]:0:200}"
stop_board board
check "SIGTERM mid-stream: exit status 0" test $? -eq 0
wait "$loader"
check "SIGTERM mid-stream: every request answered 201, or refused before it began" \
    awk '$1 != 201 && $1 != 0 { exit 1 }' "$work/answers"
mv "$work/answers" "$work/answers.term"

# kill -9 while eight clients submit: after a restart, every game acknowledged is kept, whole.
start_board again --db "$work/data/zelto-board/board.sqlite" --rate 1000000
stream "$again" 8 "${streams[@]:200}"
kill -9 "$again_pid" && wait "$again_pid" 2>/dev/null
wait "$loader"
start_board after --db "$work/data/zelto-board/board.sqlite"
client scores "$after" >"$work/table"
check "kill -9 mid-stream: every game acknowledged with 201 is in the table" \
    awk 'FILENAME != ARGV[3] { if ($1 == 201) acked[$2] = 1; next } { delete acked[$2] }
        END { for (id in acked) exit 1 }' "$work/answers.term" "$work/answers" "$work/table"
whole() {
    local id
    for id in $(cut -d' ' -f2 "$work/table"); do
        [[ $(curl -s -o /dev/null -w '%{http_code}' "http://$after/api/v1/games/$id/recording") == 200 ]] || return 1
    done
}
check "kill -9 mid-stream: nothing half-written, every game kept has its recording" whole
finish

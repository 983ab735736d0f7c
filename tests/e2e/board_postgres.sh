#!/usr/bin/env bash
# The score board end to end on a PostgreSQL of its own: the same submissions as on SQLite,
# then two boards sharing the database take 2,000 distinct games, and 400 again, from 16
# clients at once, spread over both.
source "$(dirname "$0")/board_lib.sh"
start_postgres
start_board first --db "$pg_url" --rate 1000000
check_submissions "$first"

start_board second --db "$pg_url" --rate 1000000
games --count 2000 --seed 5000 --length-ms 10000 "$work/many"
files=("$work"/many/*.zrp)
client load "$first,$second" 16 "${files[@]}" "${files[@]:0:400}" >"$work/answers"
check "2,400 submissions to two boards: every one answered 201 or 200, none 5xx" \
    awk '$1 != 201 && $1 != 200 { exit 1 } END { exit NR != 2400 }' "$work/answers"
check "every distinct game kept once: 2,000 answered 201, each with its own id" \
    test "$(awk '$1 == 201 { print $2 }' "$work/answers" | sort -u | wc -l)" -eq 2000
check "a game sent again: 200 with the id it was kept under" \
    awk '$1 == 201 { id[$3] = $2 } $1 == 200 && id[$3] != $2 { exit 1 }' "$work/answers"
client scores "$first" >"$work/first"
client scores "$second" >"$work/second"
check "both boards show the same table of 2,007 games" \
    test "$(wc -l <"$work/first")" -eq 2007 -a -z "$(diff "$work/first" "$work/second")"
same_rank() {
    local rank id score
    while read -r rank id score; do
        [[ $(curl -s "http://$first/api/v1/games/$id") == "{\"rank\":$rank,\"id\":$id,"* &&
            $(curl -s "http://$second/api/v1/games/$id") == "{\"rank\":$rank,\"id\":$id,"* ]] || return 1
    done < <(awk 'NR % 97 == 1' "$work/first")
}
check "a game's rank is the same at both boards, and its place in the table" same_rank
stop_board first
check "SIGTERM: the first board exits 0" test $? -eq 0
stop_board second
check "SIGTERM: the second board exits 0" test $? -eq 0
finish

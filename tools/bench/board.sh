#!/usr/bin/env bash
# The score board under load from wrk (16 connections, 2 threads), on SQLite and on a
# PostgreSQL of its own: verified submissions a second, each a different three-minute game so
# that every one is replayed, and reads a second of the top 100 as JSON and as the page, each
# with its p50 and p99 next to its goal. Not part of the test run. Exits 1 when a goal is missed.
#   tools/bench/board.sh                      everything, some three minutes after the build
#   ZELTO_BENCH_BOARD_GAMES=N                 games a submission run sends (6000)
#   ZELTO_BENCH_BOARD_ONLY=sqlite|postgresql  one database
#   ZELTO_BENCH_BOARD_PLAYER=calm|keen        the games of a player who lets the enemies come
#                                             down half-way (scores of some 5,000, the default),
#                                             or one who shoots at once (50,000 to 150,000,
#                                             where the game speeds up: replays cost 3 times more)
# The games are made once by zelto-board-games and kept in build/bench-games/.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build
want=${ZELTO_BENCH_BOARD_GAMES:-6000}
for tool in wrk curl; do
    command -v $tool >/dev/null || { echo "bench: $tool is not installed (scripts/setup.sh test)"; exit 1; }
done
cmake --build "$build" --target zelto-board zelto-board-games -j2 >/dev/null || { echo "bench: the build failed"; exit 1; }

# Three-minute games: the player quits at 3:00; those that end sooner are left out.
player=${ZELTO_BENCH_BOARD_PLAYER:-calm}
games=$build/bench-games/$player
if (($(find "$games" -name '*.zrp' 2>/dev/null | wc -l) < want)); then
    echo "== making $want three-minute games of a $player player (once)"
    rm -rf "$games" "$games.all" && mkdir -p "$games"
    # Nearly all the keen player's games last three minutes, some 45 % of the calm one's.
    calm=() more=11
    [[ $player == calm ]] && calm=(--calm) more=23
    "$build/tools/board/zelto-board-games" "${calm[@]}" --count $((want * more / 10)) --seed 100000 --length-ms 180000 \
        "$games.all" | awk '$3 >= 179000 { print $1 }' | head -n "$want" | xargs mv -t "$games"
    rm -rf "$games.all"
fi

work=$(mktemp -d)
board=
pg_pid=
cleanup() {
    [[ -n $board ]] && kill "$board" 2>/dev/null && wait "$board"
    [[ -n $pg_pid ]] && kill -INT "$pg_pid" 2>/dev/null && while kill -0 "$pg_pid" 2>/dev/null; do sleep 0.1; done
    rm -rf "$work"
}
trap cleanup EXIT

missed=()
# report NAME VALUE GOAL UNIT above|below [NOTE]
report() {
    local verdict=ok
    awk -v v="$2" -v g="$3" -v way="$5" 'BEGIN { exit !(way == "above" ? v >= g : v < g) }' || {
        verdict=MISSED
        missed+=("$1")
    }
    printf '%s: %s %s (goal: %s %s %s) %s%s\n' "$1" "$2" "$4" "$5" "$3" "$4" "$verdict" "${6:+; $6}"
}
# wrk's latency in ms, whatever unit it printed.
ms() { awk '{ v = $1 + 0; if ($1 ~ /us$/) v /= 1000; else if ($1 ~ /[0-9]s$/) v *= 1000; printf "%.2f", v }' <<<"$1"; }

measure() {
    local name=$1 db=$2 line port address
    "$build/zelto-board" --listen 127.0.0.1:0 --db "$db" --rate 1000000000 >"$work/out" 2>"$work/err" &
    board=$!
    for _ in {1..200}; do line=$(grep -o '127.0.0.1:[0-9]*' "$work/out") && break; sleep 0.05; done
    [[ -n $line ]] || { echo "bench: the board did not start: $(cat "$work/err")"; return 1; }
    address=http://$line
    # wrk waits out -d even once every thread has sent its share; the script's own clock counts.
    local cpu
    cpu=$(awk '{ print $14 + $15 }' "/proc/$board/stat")
    line=$(wrk -t2 -c16 -d$((want / 150 + 10))s -s "$root/tools/bench/board_submit.lua" "$address/" -- "$games" 2 |
        grep '^submit:')
    echo "$name: $line"
    local rate p50 p99 verify
    read -r rate p50 p99 <<<"$(sed 's|.* \([0-9.]*\)/s, p50 \([0-9.]*\) ms, p99 \([0-9.]*\) ms|\1 \2 \3|' <<<"$line")"
    verify=$(curl -s "$address/metrics" | awk '/^zelto_board_verify_seconds_sum/ { s = $2 }
        /^zelto_board_verify_seconds_count/ { n = $2 } END { printf "%.2f", n ? s / n * 1000 : 0 }')
    cpu=$(awk -v before="$cpu" -v hz="$(getconf CLK_TCK)" -v line="$line" '{ split(line, w, " ")
        printf "%.1f", ($14 + $15 - before) * 1000 / hz / w[2] }' "/proc/$board/stat")
    report "$name: verified submissions a second" "$rate" 300 "/s" above \
        "the board's CPU $cpu ms a submission, of which the replay $verify ms (wall, under load)"
    report "$name: submission p99" "$p99" 100 ms below "p50 $p50 ms"
    for page in /api/v1/scores /; do
        # Two seconds first, unmeasured: the database settles after the writes.
        wrk -t2 -c16 -d2s "$address$page" >/dev/null
        wrk -t2 -c16 -d10s --latency "$address$page" >"$work/wrk"
        report "$name: reads of $page (top 100) a second" \
            "$(awk '/^Requests\/sec/ { printf "%.0f", $2 }' "$work/wrk")" 3000 "/s" above \
            "p50 $(ms "$(awk '$1 == "50%" { print $2 }' "$work/wrk")") ms, p99 $(ms "$(awk '$1 == "99%" { print $2 }' "$work/wrk")") ms"
    done
    kill "$board" && wait "$board"
    board=
}

echo "== $want three-minute games of a $player player from 16 connections;" \
    "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
if [[ ${ZELTO_BENCH_BOARD_ONLY:-sqlite} == sqlite ]]; then
    measure sqlite "$work/board.sqlite"
fi
if [[ ${ZELTO_BENCH_BOARD_ONLY:-postgresql} == postgresql ]]; then
    # A cluster of its own with the stock settings (fsync on), as nobody when root.
    as() { if [[ $(id -u) -eq 0 ]]; then setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; else "$@"; fi; }
    bin=/usr/lib/postgresql/15/bin
    mkdir "$work/pg" && chmod 711 "$work" && { [[ $(id -u) -ne 0 ]] || chown nobody:nogroup "$work/pg"; }
    (cd "$work/pg" && as "$bin/initdb" -D "$work/pg/data" -U board --auth=trust >/dev/null &&
        as "$bin/pg_ctl" -D "$work/pg/data" -l "$work/pg/log" -w -o "-k $work/pg -c listen_addresses=" start >/dev/null) ||
        { echo "bench: PostgreSQL did not start"; exit 1; }
    pg_pid=$(head -1 "$work/pg/data/postmaster.pid")
    measure postgresql "postgresql:///postgres?host=$work/pg&user=board"
fi
((${#missed[@]} == 0)) && echo "bench: every goal met" || { echo "bench: missed: ${missed[*]}"; exit 1; }

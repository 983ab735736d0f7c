# Sourced by the score board's end-to-end scripts. A scratch folder $work goes at exit, with
# every server the script started (boards by their pids, PostgreSQL by its postmaster's).
#   start_board NAME ARGS...   zelto-board on a free loopback port: $NAME is its address
#   post ADDRESS KEY FILE      submits FILE with key number KEY: prints "BODY STATUS"
#   check WHAT COMMAND...      counts a check; finish prints the tally and fails on a failure
#   start_postgres             a PostgreSQL of the script's own on a unix socket in $work, run
#                              as nobody when root: $pg_url names its database
set -uo pipefail
build=$(realpath -m "${ZELTO_BUILD_DIR:-$(dirname "$0")/../../build}")
here=$(cd "$(dirname "$0")" && pwd)
client() { python3 "$here/board_client.py" "$@"; }
games() { "$build/tools/board/zelto-board-games" "$@" >/dev/null || exit 1; }
work=$(mktemp -d)
pids=()
pg_data=
cleanup() {
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    [[ -n $pg_data ]] && stop_postgres
    rm -rf "$work"
}
trap cleanup EXIT
checks=0 failures=0
check() {
    local what=$1
    shift
    checks=$((checks + 1))
    if "$@"; then echo "ok: $what"; else failures=$((failures + 1)) && echo "FAILED: $what"; fi
}
finish() {
    echo "$((checks - failures)) passed, $failures failed"
    ((failures == 0))
}
key() { printf '%064x' "$1"; }
post() {
    curl -s -H 'Content-Type: text/plain' -H "Authorization: Zelto-Key $(key "$2")" \
        --data-binary @"$3" -w ' %{http_code}' "http://$1/api/v1/games"
}

start_board() {
    local name=$1 line
    shift
    "$build/zelto-board" --listen 127.0.0.1:0 "$@" >"$work/$name.out" 2>"$work/$name.err" &
    pids+=($!)
    printf -v "${name}_pid" %s $!
    for _ in {1..200}; do # ten seconds at most
        if line=$(grep -o 'https\?://[0-9.]*:[0-9]*' "$work/$name.out"); then
            printf -v "$name" %s "${line#*://}"
            return 0
        fi
        kill -0 "${pids[-1]}" 2>/dev/null || break
        sleep 0.05
    done
    echo "FAILED: $name did not start: $(cat "$work/$name.err")"
    exit 1
}
# stop_board NAME: SIGTERM, and its exit status.
stop_board() {
    local pid=${1}_pid
    kill -TERM "${!pid}" && wait "${!pid}"
}

as_postgres() {
    if [[ $(id -u) -eq 0 ]]; then setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; else "$@"; fi
}
start_postgres() {
    local bin=/usr/lib/postgresql/15/bin
    [[ -x $bin/initdb ]] || { echo "SKIP: PostgreSQL 15 is not installed" && exit 77; }
    pg_data=$work/pg
    mkdir "$pg_data" && chmod 711 "$work"
    [[ $(id -u) -eq 0 ]] && chown nobody:nogroup "$pg_data"
    (cd "$pg_data" && as_postgres "$bin/initdb" -D "$pg_data/data" -U board --auth=trust -E UTF8 \
        --no-sync >"$pg_data/initdb.log" 2>&1 &&
        as_postgres "$bin/pg_ctl" -D "$pg_data/data" -l "$pg_data/log" -w -o \
            "-k $pg_data -c listen_addresses= -c max_connections=200 -c fsync=off" start \
            >/dev/null) || { cat "$pg_data/initdb.log" "$pg_data/log" 2>/dev/null && exit 1; }
    pg_url="postgresql:///postgres?host=$pg_data&user=board"
}
# Fast shutdown by the postmaster's pid, then wait for it to be gone.
stop_postgres() {
    local pid
    pid=$(head -1 "$pg_data/data/postmaster.pid" 2>/dev/null) || return 0
    kill -INT "$pid" 2>/dev/null
    for _ in {1..200}; do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.05; done
    kill -9 "$pid" 2>/dev/null
}

# The game's own recordings, spoilt copies and named games, in order: who sends what, the
# status, and what the answer says; then the table. The same on every database.
check_submissions() {
    local address=$1 dir=$here/../data/recordings key file status says answer
    sed 's/^key z +2$/key x +2/' "$dir/gameover-quit.zrp" >"$work/key.zrp"
    sed 's/^ticks 12 H110$/ticks 12 H111/' "$dir/gameover-quit.zrp" >"$work/late.zrp"
    head -n -3 "$dir/gameover-quit.zrp" >"$work/cut.zrp"
    { echo '# the same game, dressed otherwise' && cat "$dir/gameover-quit.zrp"; } >"$work/dressed.zrp"
    printf 'recording\nat 0\nopen\nbest ""\nat 360000000\n' >"$work/hours.zrp"
    local n=1
    for name in Ada Ada Ada "';DROP TABLE games--" '<img src=x onerror=alert(1)>' \
        '<svg onload=alert()>'; do
        games --seed $((n + 100)) --length-ms 15000 --player "$name" "$work/named"
        n=$((n + 1))
    done
    while IFS='|' read -r key file status says; do
        answer=$(post "$address" "$key" "$file")
        check "${file##*/} by key $key: $status $says" answers "$answer" "$status" "$says"
    done <<ROWS
1|$dir/gameover-quit.zrp|201|{"rank":1,"id":1,"name":null,"score":200,"length_ms":26033,"keys":19,"submitted":"20
1|$dir/gameover-ended.zrp|201|{"rank":2,"id":2,"name":null,"score":150,"length_ms":24133,"keys":9,
2|$dir/quit-paused.zrp|201|{"rank":2,"id":3,"name":null,"score":200,"length_ms":2900,"keys":11,
1|$dir/killed.zrp|422|{"error":"line 16: the recording stops before its end"}
3|$dir/gameover-quit.zrp|200|{"rank":1,"id":1,"name":null,"score":200,
3|$work/dressed.zrp|200|{"rank":1,"id":1,"name":null,"score":200,
1|$work/key.zrp|422|{"error":"line 57: Label1.Caption is \"100\", the recording says \"200\""}
1|$work/late.zrp|422|{"error":"line 59: events is 76 703971634845623241, the recording says
1|$work/cut.zrp|422|{"error":"line 59: the recording stops before its end"}
1|$work/hours.zrp|422|{"error":"line 5: the game goes on for more than 7200000 ms"}
4|$work/named/game-101.zrp|201|"name":"Ada",
5|$work/named/game-102.zrp|409|{"error":"this name belongs to another key"}
4|$work/named/game-103.zrp|201|"name":"Ada",
5|$work/named/game-104.zrp|201|"name":"';DROP TABLE games--",
5|$work/named/game-105.zrp|400|{"error":"the player line holds no name: 1 to 20 characters
6|$work/named/game-106.zrp|201|"name":"\u003csvg onload=alert()\u003e",
ROWS
    check "the table: ranks 1 to N, by score, then the earlier game" ordered "$address"
}
answers() { [[ ${1##* } == "$2" && $1 == *"$3"* ]]; }
ordered() {
    client scores "$1" | awk '$1 != NR || (NR > 1 && $3 > last) { bad = 1 } { last = $3 }
        $2 == 1 || $2 == 2 || $2 == 3 { seen = seen $2 } END { exit bad || seen != "132" }'
}

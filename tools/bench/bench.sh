#!/usr/bin/env bash
# Builds Zelto and measures it against its goals: the core on the virtual clock, the drawing
# of the field offscreen, and the running game under its own Xvfb (start-up, Alt+P, "&Esci",
# and 20 s of scripted play). Prints every figure next to its goal; exits 1 when a goal is
# missed. Set ZELTO_BENCH_SOUND=0 to play without a sound server, ZELTO_BENCH_RUNS to the
# number of games whose median the quick figures take (7), and ZELTO_BENCH_GAME_ENV to
# NAME=VALUE words for the game's environment in an experiment (QT_XCB_NO_MITSHM=1).
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build

# Prints "name: figure unit (goal: under goal unit)" and remembers a missed goal.
missed=()
report() {
    local name=$1 value=$2 goal=$3 unit=$4 note=${5:-}
    local verdict=ok
    awk -v v="$value" -v g="$goal" 'BEGIN { exit !(v < g) }' || {
        verdict=MISSED
        missed+=("$name")
    }
    printf '%s: %s %s (goal: under %s %s) %s%s\n' "$name" "$value" "$unit" "$goal" "$unit" \
        "$verdict" "${note:+; $note}"
}

# ---------------------------------------------------------------------------------------
# The running game, measured from outside. This part runs under its own X server.
# ---------------------------------------------------------------------------------------
# The game, its scratch folder and its sound server, for the clean-up at exit.
game_pid=
work=
pulse_runtime=
measure_game() {
    local game=$build/zelto
    work=$(mktemp -d)
    cleanup() {
        [[ -n $game_pid ]] && kill "$game_pid" 2>/dev/null
        [[ -n $pulse_runtime ]] && XDG_RUNTIME_DIR=$pulse_runtime pulseaudio -k 2>/dev/null
        rm -rf "$work" "$pulse_runtime"
    }
    trap cleanup EXIT

    local sound="none (the game plays silently)"
    if [[ ${ZELTO_BENCH_SOUND:-1} != 0 ]] && command -v pulseaudio >/dev/null &&
        command -v pactl >/dev/null; then
        pulse_runtime=$(mktemp -d)
        export XDG_RUNTIME_DIR=$pulse_runtime
        pulseaudio -n -L module-native-protocol-unix -L 'module-null-sink sink_name=null' \
            --exit-idle-time=-1 --daemonize=yes 2>/dev/null
        for _ in {1..50}; do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
        if pactl info >/dev/null 2>&1; then
            sound="PulseAudio with a null sink (the music and effects really play)"
        else
            sound="none (PulseAudio did not start)"
        fi
    fi
    echo "game: sound server: $sound"

    # Milliseconds between two $EPOCHREALTIME readings, which cost no process.
    ms_between() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", (b - a) * 1000 }'; }
    # The menu is captioned "Zelto", the play field "Form1".
    visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
    # Polls as fast as xdotool answers (a few ms a look) until a visible window captioned $1
    # exists, for at most 10 s; sets window to its id and polls to the looks taken.
    polls=0
    await_window() {
        # Deadlines in microseconds of $EPOCHREALTIME, so that the loop starts no process.
        local caption=$1 id deadline=$((${EPOCHREALTIME/./} + 10000000))
        polls=0
        while ((${EPOCHREALTIME/./} < deadline)); do
            polls=$((polls + 1))
            for id in $(visible "$caption"); do
                window=$id
                return 0
            done
            sleep 0.001
        done
        return 1
    }
    # Polls until the game's process has ended (gone, or a zombie waiting for us), for at
    # most 10 s.
    await_end() {
        local deadline=$((${EPOCHREALTIME/./} + 10000000)) state
        while ((${EPOCHREALTIME/./} < deadline)); do
            { read -r _ _ state _ <"/proc/$game_pid/stat"; } 2>/dev/null || return 0
            [[ $state == Z ]] && return 0
            sleep 0.001
        done
        return 1
    }
    size_of() { xwininfo -id "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'; }
    # CPU time of the game so far in clock ticks: user plus system, all its threads. The
    # command name in field 2 has no spaces here, so plain field numbers hold.
    cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$game_pid/stat"; }
    cpu_share() { awk -v t="$1" -v hz="$(getconf CLK_TCK)" -v s="$2" 'BEGIN { printf "%.2f", 100 * t / hz / s }'; }
    median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

    cd "$work" || return 1
    # The game keeps its last game here, not in the home folder.
    export XDG_STATE_HOME=$work/state
    local experiment=()
    read -ra experiment <<<"${ZELTO_BENCH_GAME_ENV:-}"
    ((${#experiment[@]})) && echo "game: environment for this experiment: ${experiment[*]}"
    start_game() {
        env "${experiment[@]}" "$game" >"$work/game.log" 2>&1 &
        game_pid=$!
    }

    # The quick figures vary from run to run on a busy machine: each is the median of several
    # games, each started, opened with Alt+P, closed with q and ended with "&Esci".
    local runs=${ZELTO_BENCH_RUNS:-7} run start window menu field
    local to_menu=() to_field=() to_end=()
    for ((run = 0; run < runs; run++)); do
        rm -f "$work/record.dat"
        start=$EPOCHREALTIME
        start_game
        await_window Zelto || { echo "game: FAILED: no menu within 10 s"; cat "$work/game.log"; return 1; }
        to_menu+=("$(ms_between "$start" "$EPOCHREALTIME")")
        menu=$window
        [[ $(size_of "$menu") == 312x275 ]] || { echo "game: FAILED: the first window is not the menu"; return 1; }

        xdotool windowfocus --sync "$menu"
        start=$EPOCHREALTIME
        xdotool key alt+p
        await_window Form1 || { echo "game: FAILED: Alt+P opened nothing within 10 s"; return 1; }
        to_field+=("$(ms_between "$start" "$EPOCHREALTIME")")
        field=$window
        [[ $(size_of "$field") == 800x600 ]] || { echo "game: FAILED: Alt+P opened a $(size_of "$field") window"; return 1; }

        xdotool windowfocus --sync "$field" key q
        xdotool windowfocus --sync "$menu"
        start=$EPOCHREALTIME
        xdotool key alt+e
        await_end || { echo "game: FAILED: Esci left the game running for 10 s"; return 1; }
        to_end+=("$(ms_between "$start" "$EPOCHREALTIME")")
        wait "$game_pid" 2>/dev/null
        game_pid=
    done
    report "game: process start to menu mapped" "$(median "${to_menu[@]}")" 100 ms \
        "median of $runs: ${to_menu[*]}"
    report "game: Alt+P to play field mapped" "$(median "${to_field[@]}")" 100 ms \
        "median of $runs: ${to_field[*]}; xdotool's own start-up included"
    report "game: Esci to process gone" "$(median "${to_end[@]}")" 50 ms \
        "median of $runs: ${to_end[*]}; xdotool's own start-up included"

    # One more game for the figures of a game under way.
    start_game
    await_window Zelto || { echo "game: FAILED: no menu within 10 s"; cat "$work/game.log"; return 1; }
    menu=$window

    # Nothing moves at the menu, so the game should not run at all.
    local idle_seconds=5 before after
    before=$(cpu_ticks)
    sleep "$idle_seconds"
    after=$(cpu_ticks)
    report "game: CPU at the idle menu over ${idle_seconds} s" \
        "$(cpu_share $((after - before)) "$idle_seconds")" 0.5 "% of one core" \
        "one clock tick is $(cpu_share 1 "$idle_seconds") %"

    xdotool windowfocus --sync "$menu" key alt+p
    await_window Form1 || { echo "game: FAILED: Alt+P opened nothing within 10 s"; return 1; }
    field=$window
    xdotool windowfocus --sync "$field"

    # 20 s of play as the benchmarks play: every half second fire, every second steer,
    # one way for five seconds and then the other, so that the ship moves, volleys fly and
    # rocks are hit. The aliens come only above 600 points, which this does not reach: the
    # figure is for the falling enemies, the ship and its shots.
    local play_seconds=20 half wall_start wall_end next keys
    before=$(cpu_ticks)
    wall_start=$EPOCHREALTIME
    for ((half = 0; half < 2 * play_seconds; half++)); do
        keys=(m)
        if ((half % 2 == 0)); then
            if (((half / 10) % 2)); then keys=(z m); else keys=(x m); fi
        fi
        xdotool key "${keys[@]}"
        next=$(awk -v s="$wall_start" -v n=$((half + 1)) -v t="$EPOCHREALTIME" \
            'BEGIN { d = s + n * 0.5 - t; printf "%.3f", (d > 0 ? d : 0) }')
        sleep "$next"
    done
    after=$(cpu_ticks)
    wall_end=$EPOCHREALTIME
    local seconds
    seconds=$(awk -v a="$wall_start" -v b="$wall_end" 'BEGIN { printf "%.3f", b - a }')
    local ended=no
    xdotool search --onlyvisible --name '^Zelto!$' >/dev/null 2>&1 && ended=yes
    report "game: CPU in ${play_seconds} s of play" "$(cpu_share $((after - before)) "$seconds")" \
        1.5 "% of one core" "game over shown: $ended; one clock tick is $(cpu_share 1 "$seconds") %"

    local hwm
    hwm=$(awk '/^VmHWM:/ { printf "%.1f", $2 / 1024 }' "/proc/$game_pid/status")
    report "game: peak resident memory (VmHWM)" "$hwm" 60 MB

    # The game was recorded as it went; q ends it and keeps it as the last game.
    xdotool key q
    for _ in {1..50}; do [[ -s $XDG_STATE_HOME/zelto/last-game.zrp ]] && break; sleep 0.1; done
    report "game: recording, kilobytes a minute of play" \
        "$(awk -v b="$(stat -c %s "$XDG_STATE_HOME/zelto/last-game.zrp" 2>/dev/null || echo 1e9)" \
            -v s="$seconds" 'BEGIN { printf "%.1f", b / 1024 * 60 / s }')" 8 KB "a key every 0.33 s"
    kill "$game_pid" 2>/dev/null
    wait "$game_pid" 2>/dev/null
    game_pid=
    ((${#missed[@]} == 0))
}

if [[ ${1:-} == --game ]]; then
    measure_game
    exit
fi

# ---------------------------------------------------------------------------------------
# Build, then every measure in turn.
# ---------------------------------------------------------------------------------------
cd "$root" || exit 1
echo "== build"
log=$(mktemp)
{ cmake --preset default >/dev/null && cmake --build --preset default; } >"$log" 2>&1 || {
    cat "$log"
    rm -f "$log"
    echo "bench: the build failed"
    exit 1
}
rm -f "$log"

status=0
echo "== core (virtual clock, headless)"
"$build/tools/bench/zelto-core-bench" || status=1
echo "== drawing (offscreen)"
QT_QPA_PLATFORM=offscreen "$build/tools/bench/zelto-paint-bench" 2> >(grep -v XDG_RUNTIME_DIR >&2) ||
    status=1
echo "== the running game (Xvfb 1024x768x24)"
for tool in xvfb-run xdotool xwininfo; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is not installed; the game is not measured"; exit 1; }
done
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" --game || status=1

if ((status == 0)); then
    echo "bench: every goal met"
else
    echo "bench: a goal was missed (see MISSED above)"
fi
exit "$status"

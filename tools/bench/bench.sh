#!/usr/bin/env bash
# Builds Zelto and measures it against its goals: the core on the virtual clock, the drawing
# of the field offscreen, and the running game under its own Xvfb (start-up, Alt+P, "&Esci",
# idling, pausing and scripted play), beside xgalaga played the same way under the same X
# server when it is installed (scripts/setup.sh bench installs it). Prints every figure next to
# its goal; exits 1 when a goal is missed. Set ZELTO_BENCH_SOUND=0 to play without a sound
# server, ZELTO_BENCH_RUNS to the number of starts whose median the quick figures take (7),
# and ZELTO_BENCH_GAME_ENV to NAME=VALUE words for the game's environment in an experiment
# (QT_XCB_NO_MITSHM=1).
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
# The running games, measured from outside. This part runs under its own X server.
# ---------------------------------------------------------------------------------------
# The programs started, their scratch folder and the sound server, for the clean-up at exit.
game_pid=
peer_pid=
work=
pulse_runtime=
measure_games() {
    local game=$build/zelto probe=$build/tools/bench/zelto-xprobe
    work=$(mktemp -d)
    cleanup() {
        [[ -n $game_pid ]] && kill "$game_pid" 2>/dev/null
        [[ -n $peer_pid ]] && kill "$peer_pid" 2>/dev/null
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

    # The X server: the Xvfb that xvfb-run started beside this script.
    local xserver= proc
    for proc in /proc/[0-9]*; do
        [[ $(cat "$proc/comm" 2>/dev/null) == Xvfb ]] || continue
        [[ $(awk '{ sub(/^.*\) /, ""); print $2 }' "$proc/stat" 2>/dev/null) == "$PPID" ]] &&
            xserver=${proc#/proc/}
    done
    [[ -n $xserver ]] || { echo "game: FAILED: cannot find the Xvfb process"; return 1; }

    # Milliseconds between two $EPOCHREALTIME readings, which cost no process.
    ms_between() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", (b - a) * 1000 }'; }
    # The menu is captioned "Zelto", the play field "Form1".
    visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
    # Polls as fast as xdotool answers (a few ms a look) until a visible window captioned $1
    # exists, for at most 10 s; sets window to its id.
    await_window() {
        # Deadlines in microseconds of $EPOCHREALTIME, so that the loop starts no process.
        local caption=$1 id deadline=$((${EPOCHREALTIME/./} + 10000000))
        while ((${EPOCHREALTIME/./} < deadline)); do
            for id in $(visible "$caption"); do
                window=$id
                return 0
            done
            sleep 0.001
        done
        return 1
    }
    # Closes the play field with q and waits until its window is gone, so that the next
    # Alt+P's window is not mistaken for it. A game with points for the table of best games
    # asks its name once it has ended, in a modal box that would swallow the next Alt+P: it is
    # closed without a name, which keeps the game out of the table.
    close_field() {
        xdotool key q
        local deadline=$((${EPOCHREALTIME/./} + 10000000)) box
        while [[ -n $(visible Form1) ]] && ((${EPOCHREALTIME/./} < deadline)); do sleep 0.01; done
        deadline=$((${EPOCHREALTIME/./} + 1000000))
        while ((${EPOCHREALTIME/./} < deadline)); do
            box=$(xdotool search --onlyvisible --name '^(Nome|Name)$' 2>/dev/null | head -1)
            [[ -n $box ]] && break
            sleep 0.01
        done
        [[ -n $box ]] || return 0
        xdotool windowfocus --sync "$box" key Escape
        deadline=$((${EPOCHREALTIME/./} + 10000000))
        while [[ -n $(visible Nome)$(visible Name) ]] && ((${EPOCHREALTIME/./} < deadline)); do sleep 0.01; done
    }
    # Polls until process $1 has ended (gone, or a zombie), for at most 10 s.
    await_end() {
        local deadline=$((${EPOCHREALTIME/./} + 10000000)) state
        while ((${EPOCHREALTIME/./} < deadline)); do
            { read -r _ _ state _ <"/proc/$1/stat"; } 2>/dev/null || return 0
            [[ $state == Z ]] && return 0
            sleep 0.001
        done
        return 1
    }
    size_of() { xwininfo -id "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'; }
    # CPU time of process $1 so far in clock ticks: user plus system, all its threads, ended
    # ones included. Fields are counted after the command name, which may hold spaces.
    cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }
    # How often the threads of process $1 have gone to sleep or been put aside so far: each
    # time is a wake-up after it.
    wakeups() { cat "/proc/$1"/task/*/status 2>/dev/null | awk '/ctxt_switches/ { n += $2 } END { print n + 0 }'; }
    # Per thread of process $1: "tid name ticks", for the split of the game's time.
    thread_ticks() {
        local task
        for task in "/proc/$1"/task/*; do
            printf '%s %s %s\n' "${task##*/}" "$(tr ' ' _ <"$task/comm")" \
                "$(awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "$task/stat")"
        done 2>/dev/null
    }
    share() { awk -v t="$1" -v hz="$(getconf CLK_TCK)" -v s="$2" 'BEGIN { printf "%.2f", 100 * t / hz / s }'; }
    median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
    hwm_of() { awk '/^VmHWM:/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }
    # Sets "sampled" to "game-ticks x-ticks wakeups seconds" of process $1 (and the X server)
    # since the last call of sample_start.
    sample_start() {
        s_game=$(cpu_ticks "$1") s_x=$(cpu_ticks "$xserver") s_wake=$(wakeups "$1")
        s_threads=$(thread_ticks "$1") s_wall=$EPOCHREALTIME
    }
    sample_end() {
        local wall=$EPOCHREALTIME
        sampled="$(($(cpu_ticks "$1") - s_game)) $(($(cpu_ticks "$xserver") - s_x)) \
$(($(wakeups "$1") - s_wake)) $(awk -v a="$s_wall" -v b="$wall" 'BEGIN { printf "%.3f", b - a }')"
        # Each thread's share, for the split of the game's own time.
        threads=$(join <(sort <<<"$s_threads") <(thread_ticks "$1" | sort) |
            awk -v hz="$(getconf CLK_TCK)" -v s="${sampled##* }" \
                '{ printf "%s%s %.2f %%", (NR > 1 ? ", " : ""), $2, 100 * ($5 - $3) / hz / s }')
    }
    # Starts a program with zelto-xprobe; sets pid, window, mapped and shown (ms from start).
    # Words NAME=VALUE before the caption go to the program's environment (through the
    # probe's, so that no extra process stands between the start and the program).
    start_program() {
        local environment=()
        while [[ $1 == *=* ]]; do
            environment+=("$1")
            shift
        done
        local caption=$1
        shift
        read -r pid window mapped shown < <(env "${environment[@]}" "$probe" launch \
            --log "$work/$caption.log" "$caption" "$@") && [[ -n $shown ]]
    }

    cd "$work" || return 1
    # The game keeps its last game here, not in the home folder; xgalaga its scores.
    export XDG_STATE_HOME=$work/state HOME=$work
    local experiment=()
    read -ra experiment <<<"${ZELTO_BENCH_GAME_ENV:-}"
    ((${#experiment[@]})) && echo "game: environment for this experiment: ${experiment[*]}"
    local zelto=("${experiment[@]}" Zelto "$game")

    # The yardstick's pattern and Zelto's are the same moves: fire twice, steer right, fire
    # twice, steer left, each key held 0.4 s.
    local play_seconds=15 idle_seconds=20
    local zelto_steps=(m/400 m/400 x/400 m/400 m/400 z/400)
    local peer_steps=(space/400 space/400 Right/400 space/400 space/400 Left/400)

    # -------------------------------------------------------------------------------------
    # Zelto's quick figures vary from run to run on a busy machine: each is the median of
    # several games, each started, opened with Alt+P, closed with q and ended with "&Esci".
    local runs=${ZELTO_BENCH_RUNS:-7} run start menu field
    local to_menu=() to_shown=() to_field=() to_end=()
    for ((run = 0; run < runs; run++)); do
        rm -f "$work/record.dat"
        start_program "${zelto[@]}" || { echo "game: FAILED: no menu within 10 s"; cat "$work/Zelto.log"; return 1; }
        game_pid=$pid menu=$window
        to_menu+=("$mapped") to_shown+=("$shown")
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
        await_end "$game_pid" || { echo "game: FAILED: Esci left the game running for 10 s"; return 1; }
        to_end+=("$(ms_between "$start" "$EPOCHREALTIME")")
        game_pid=
    done
    report "game: process start to menu mapped" "$(median "${to_menu[@]}")" 100 ms \
        "median of $runs: ${to_menu[*]}"
    local zelto_shown
    zelto_shown=$(median "${to_shown[@]}")
    echo "game: process start to menu shown (first picture at the X server): $zelto_shown ms; median of $runs: ${to_shown[*]}"
    report "game: Alt+P to play field mapped" "$(median "${to_field[@]}")" 100 ms \
        "median of $runs: ${to_field[*]}; xdotool's own start-up included"
    report "game: Esci to process gone" "$(median "${to_end[@]}")" 50 ms \
        "median of $runs: ${to_end[*]}; xdotool's own start-up included"

    # -------------------------------------------------------------------------------------
    # One more game for the figures of a game under way.
    start_program "${zelto[@]}" || { echo "game: FAILED: no menu within 10 s"; return 1; }
    game_pid=$pid menu=$window

    # Nothing moves at the menu, so the game should not run at all. What the game does just
    # after its first paint (SDL, the icon) is start-up, not idling: it has a second.
    local z_menu z_play z_pause z_threads
    sleep 1
    sample_start "$game_pid"
    sleep "$idle_seconds"
    sample_end "$game_pid"
    z_menu=$sampled
    report "game: CPU at the idle menu over ${idle_seconds} s" "$(share "${z_menu%% *}" "$idle_seconds")" \
        0.5 "% of one core" "one clock tick is $(share 1 "$idle_seconds") %"

    xdotool windowfocus --sync "$menu" key alt+p
    await_window Form1 || { echo "game: FAILED: Alt+P opened nothing within 10 s"; return 1; }
    field=$window
    xdotool windowfocus --sync "$field"
    sleep 0.5

    # The side-by-side play: no drawing is watched, so the X server does only the games' work.
    sample_start "$game_pid"
    "$probe" play "$field" "$play_seconds" "${zelto_steps[@]}" >/dev/null
    sample_end "$game_pid"
    z_play=$sampled z_threads=$threads

    # Paused, nothing moves either.
    xdotool key Escape
    sleep 0.2
    sample_start "$game_pid"
    sleep "$idle_seconds"
    sample_end "$game_pid"
    z_pause=$sampled
    xdotool key Escape

    # Key to picture, in a new game: the same moves, with every drawing in the ship's rows
    # (496 to 528) watched. "m" moves the volley in the key handler itself; "x" and "z" turn
    # the ship, whose timer (100 ms) starts at the key, so its first tick is 100 ms after the
    # key at the earliest. Each latency is from that moment, so it is never less than the
    # real one.
    close_field
    xdotool windowfocus --sync "$menu" key alt+p
    await_window Form1 || { echo "game: FAILED: Alt+P opened nothing within 10 s"; return 1; }
    field=$window
    sleep 0.5
    local pictures
    pictures=$("$probe" play --band 496 529 --effect m:0 --effect x:100 --effect z:100 \
        "$field" 10 "${zelto_steps[@]}" | awk '$1 == "picture" { print ($3 == "none" ? 1e9 : $3) }')
    local p90=none worst=none count=0
    if [[ -n $pictures ]]; then
        count=$(wc -l <<<"$pictures")
        p90=$(sort -n <<<"$pictures" | awk '{ v[NR] = $1 } END { i = int(NR * 0.9 + 0.999); print v[i < 1 ? 1 : i] }')
        worst=$(sort -n <<<"$pictures" | tail -1)
    fi

    # 20 s of play as the benchmarks play, in a new game: every half second fire, every
    # second steer, one way for five seconds and then the other, so that the ship moves,
    # volleys fly and rocks are hit. The aliens come only above 600 points, which this does
    # not reach: the figure is for the falling enemies, the ship and its shots.
    close_field
    xdotool windowfocus --sync "$menu" key alt+p
    await_window Form1 || { echo "game: FAILED: Alt+P opened nothing within 10 s"; return 1; }
    field=$window
    local bench_steps=() half
    for ((half = 0; half < 20; half++)); do
        if ((half % 2)); then bench_steps+=(m/500); elif ((half < 10)); then bench_steps+=(x+m/500); else bench_steps+=(z+m/500); fi
    done
    sample_start "$game_pid"
    "$probe" play "$field" 20 "${bench_steps[@]}" >/dev/null
    sample_end "$game_pid"
    local bench_play=$sampled seconds
    seconds=${bench_play##* }
    local ended=no
    xdotool search --onlyvisible --name '^Zelto!$' >/dev/null 2>&1 && ended=yes
    report "game: CPU in 20 s of play" "$(share "${bench_play%% *}" "$seconds")" 1.5 "% of one core" \
        "game over shown: $ended; one clock tick is $(share 1 "$seconds") %"

    local zelto_hwm
    zelto_hwm=$(hwm_of "$game_pid")
    report "game: peak resident memory (VmHWM)" "$zelto_hwm" 30 MB "after all the games above"

    # The game was recorded as it went; q ends it and keeps it as the last game.
    xdotool key q
    for _ in {1..50}; do [[ -s $XDG_STATE_HOME/zelto/last-game.zrp ]] && break; sleep 0.1; done
    report "game: recording, kilobytes a minute of play" \
        "$(awk -v b="$(stat -c %s "$XDG_STATE_HOME/zelto/last-game.zrp" 2>/dev/null || echo 1e9)" \
            -v s="$seconds" 'BEGIN { printf "%.1f", b / 1024 * 60 / s }')" 8 KB "a key every 0.33 s"
    kill "$game_pid" 2>/dev/null
    game_pid=

    # -------------------------------------------------------------------------------------
    # The yardstick: xgalaga, started and played the same way under the same X server.
    local peer=/usr/games/xgalaga have_peer=no
    local p_start=() p_shown=() p_mapped p_menu p_play p_pause p_hwm p_window
    if [[ -x $peer ]]; then
        have_peer=yes
        for ((run = 0; run < runs; run++)); do
            start_program XGalaga "$peer" -window || { echo "peer: FAILED: xgalaga showed no window within 10 s"; return 1; }
            p_start+=("$mapped") p_shown+=("$shown")
            kill "$pid"
            await_end "$pid"
        done
        p_mapped=$(median "${p_start[@]}")
        echo "peer: xgalaga start to first window mapped: $p_mapped ms; median of $runs: ${p_start[*]}"
        echo "peer: xgalaga start to first window showing a picture: $(median "${p_shown[@]}") ms; median of $runs: ${p_shown[*]}"

        start_program XGalaga "$peer" -window || { echo "peer: FAILED: xgalaga showed no window within 10 s"; return 1; }
        peer_pid=$pid p_window=$window
        # Its title screen is its menu.
        sample_start "$peer_pid"
        sleep "$idle_seconds"
        sample_end "$peer_pid"
        p_menu=$sampled
        # "k" starts a game played from the keyboard.
        "$probe" play "$p_window" 0.3 k/100 >/dev/null
        sleep 0.5
        sample_start "$peer_pid"
        "$probe" play "$p_window" "$play_seconds" "${peer_steps[@]}" >/dev/null
        sample_end "$peer_pid"
        p_play=$sampled
        echo "peer: xgalaga's threads in play: $threads"
        "$probe" play "$p_window" 0.3 p/100 >/dev/null
        sleep 0.2
        sample_start "$peer_pid"
        sleep "$idle_seconds"
        sample_end "$peer_pid"
        p_pause=$sampled
        p_hwm=$(hwm_of "$peer_pid")
        kill "$peer_pid"
        peer_pid=
    else
        echo "peer: xgalaga is not installed (scripts/setup.sh bench installs it): Zelto is shown" \
            "without its yardstick, and the goals relative to it are not judged"
    fi

    # -------------------------------------------------------------------------------------
    # The table: each figure for both, Zelto's to xgalaga's, and the goal.
    echo
    echo "== Zelto beside xgalaga: ${play_seconds} s of play each, one after the other, under this Xvfb"
    printf '%-40s %12s %12s %7s  %-22s %s\n' figure Zelto xgalaga ratio goal verdict
    # row NAME ZELTO PEER UNIT KIND LIMIT: KIND "ratio" wants Zelto / xgalaga <= LIMIT, "at-most"
    # wants Zelto <= LIMIT, "none" has no goal.
    row() {
        local name=$1 z=$2 p=$3 unit=$4 kind=$5 limit=${6:-} ratio=- goal=- verdict=
        [[ $have_peer == yes && -n $p ]] && ratio=$(awk -v z="$z" -v p="$p" 'BEGIN { if (p > 0) printf "%.2f", z / p; else print "-" }')
        case $kind in
        ratio)
            goal="ratio <= $limit"
            if [[ $ratio == - ]]; then
                verdict="not judged"
            elif awk -v r="$ratio" -v l="$limit" 'BEGIN { exit !(r <= l) }'; then
                verdict=ok
            else
                verdict=MISSED
            fi
            ;;
        at-most)
            goal="<= $limit $unit"
            # A figure that could not be measured ("none") misses its goal.
            if [[ $z =~ ^[0-9.]+$ ]] && awk -v z="$z" -v l="$limit" 'BEGIN { exit !(z <= l) }'; then
                verdict=ok
            else
                verdict=MISSED
            fi
            ;;
        esac
        [[ $verdict == MISSED ]] && missed+=("$name")
        printf '%-40s %12s %12s %7s  %-22s %s\n' "$name" "$z $unit" "${p:+$p $unit}" "$ratio" "$goal" "$verdict"
    }
    percent() { share "$(cut -d' ' -f"$2" <<<"$1")" "${1##* }"; }
    both() { awk -v a="$(percent "$1" 1)" -v b="$(percent "$1" 2)" 'BEGIN { printf "%.2f", a + b }'; }
    per_second() { awk -v n="$(cut -d' ' -f3 <<<"$1")" -v s="${1##* }" 'BEGIN { printf "%.0f", n / s }'; }
    local pp=() pm=() pz=()
    [[ $have_peer == yes ]] && pp=("$p_play") pm=("$p_menu") pz=("$p_pause")
    row "game process CPU in play" "$(percent "$z_play" 1)" "${pp:+$(percent "$p_play" 1)}" % ratio 1.0
    row "X server CPU in play" "$(percent "$z_play" 2)" "${pp:+$(percent "$p_play" 2)}" % none
    row "game + X server CPU in play" "$(both "$z_play")" "${pp:+$(both "$p_play")}" % ratio 0.8
    row "game wake-ups a second in play" "$(per_second "$z_play")" "${pp:+$(per_second "$p_play")}" "" none
    row "start to menu shown (xgalaga: mapped)" "$zelto_shown" "${p_mapped:-}" ms ratio 1.0
    row "peak resident memory (VmHWM)" "$zelto_hwm" "${p_hwm:-}" MB at-most 30
    row "CPU ticks at the menu in ${idle_seconds} s" "${z_menu%% *}" "${pm:+${p_menu%% *}}" "" at-most 0
    row "wake-ups at the menu in ${idle_seconds} s" "$(cut -d' ' -f3 <<<"$z_menu")" "${pm:+$(cut -d' ' -f3 <<<"$p_menu")}" "" none
    row "CPU ticks paused in ${idle_seconds} s" "${z_pause%% *}" "${pz:+${p_pause%% *}}" "" at-most 0
    row "wake-ups paused in ${idle_seconds} s" "$(cut -d' ' -f3 <<<"$z_pause")" "${pz:+$(cut -d' ' -f3 <<<"$p_pause")}" "" none
    row "key to picture after its tick, p90" "$p90" "" ms at-most 16
    echo "key to picture: $count keys in 10 s, the slowest $worst ms (1e9: no picture within 250 ms)"
    echo "Zelto's threads in play: $z_threads"
    echo "one clock tick of CPU is $(share 1 "$play_seconds") % over the play and $(share 1 "$idle_seconds") % over the idling"
    ((${#missed[@]} == 0))
}

if [[ ${1:-} == --games ]]; then
    measure_games
    exit
fi

# ---------------------------------------------------------------------------------------
# Build, then every measure in turn.
# ---------------------------------------------------------------------------------------
cd "$root" || exit 1
echo "== build"
log=$(mktemp)
targets=(zelto zelto-core-bench zelto-paint-bench)
{ cmake --preset default >/dev/null && cmake --build build --target help | grep -q zelto-xprobe &&
    targets+=(zelto-xprobe); } >"$log" 2>&1
cmake --build --preset default --target "${targets[@]}" >>"$log" 2>&1 || {
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
    command -v "$tool" >/dev/null || { echo "bench: $tool is not installed (scripts/setup.sh bench installs it); the game is not measured"; exit 1; }
done
[[ -x $build/tools/bench/zelto-xprobe ]] || {
    echo "bench: zelto-xprobe was not built: the X headers are missing (scripts/setup.sh bench installs them); the game is not measured"
    exit 1
}
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" --games || status=1

if ((status == 0)); then
    echo "bench: every goal met"
else
    echo "bench: a goal was missed (see MISSED above)"
fi
exit "$status"

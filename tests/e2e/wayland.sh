#!/usr/bin/env bash
# On headless Weston, `zelto --play` shows the menu under its own caption bar (Qt's would add
# minimise and maximise) and the frameless 800x600 field over it, whose frames keep coming;
# SIGTERM ends it cleanly. Windows are read from Weston's scene graph and its screenshots.
set -uo pipefail
game="${ZELTO_BUILD_DIR:?}/zelto"
for tool in weston weston-debug weston-screenshooter convert compare; do
    command -v "$tool" >/dev/null || { echo "skip: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work WAYLAND_DISPLAY=zelto-test
weston_pid= game_pid=
trap 'kill $game_pid $weston_pid 2>/dev/null || true; wait; rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; sed 's/^/  game: /' "$work/game.log" 2>/dev/null; exit 1; }
wait_for() { for _ in $(seq 100); do eval "$1" >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1; }

weston --backend=headless-backend.so --use-pixman --socket=$WAYLAND_DISPLAY --idle-time=0 \
    --width=1280 --height=1024 --debug >"$work/weston.log" 2>&1 &
weston_pid=$!
wait_for '[[ -S $work/$WAYLAND_DISPLAY ]]' || fail "Weston did not start"
mkdir "$work/cwd" && cd "$work/cwd" || exit 1
QT_QPA_PLATFORM=wayland "$game" --play >"$work/game.log" 2>&1 &
game_pid=$!

# "X Y W H" of the top-level window captioned $1 in the scene graph.
window() {
    timeout 5 weston-debug scene-graph 2>/dev/null | grep -A1 "top-level window '$1' of zelto" |
        sed -n 's/.*position: (\(.*\), \(.*\)) -> (\(.*\), \(.*\)).*/\1 \2 \3 \4/p' |
        awk '{ print $1, $2, $3 - $1, $4 - $2 }'
}
wait_for '[[ -n $(window Form1) && -n $(window Zelto) ]]' || fail "no menu and play field"
read -r x y w h <<<"$(window Form1)"
[[ $w$h == 800600 ]] || fail "the play field is ${w}x$h, not 800x600 without a frame"
read -r _ _ mw mh <<<"$(window Zelto)"
[[ $mw$mh == 312305 ]] || fail "the menu is ${mw}x$mh, not 312x275 under its own 30 px caption bar"
echo "ok: the menu (${mw}x$mh with its caption bar) and the 800x600 play field at ($x,$y)"

shot() { (cd "$work" && rm -f wayland-screenshot*.png && weston-screenshooter &&
    convert wayland-screenshot*.png -crop "${w}x$h+$x+$y" +repage "$1.png"); }
shot first || fail "no screenshot"
sleep 1.2
shot second || fail "no screenshot"
changed=$(compare -metric AE "$work/first.png" "$work/second.png" null: 2>&1)
((${changed%% *} > 100)) || fail "the play field did not change in a second ($changed pixels)"
echo "ok: the play field's frames keep coming ($changed pixels changed in a second)"

kill -TERM "$game_pid"
wait "$game_pid"
status=$?
game_pid=
((status == 0)) || fail "SIGTERM ended the game with status $status"
[[ ! -s $work/game.log ]] || fail "the game printed on the terminal"
[[ -z $(window Zelto) ]] || fail "the menu outlived the program"
echo "ok: SIGTERM closed the game cleanly: status 0, nothing printed, no window left"

# Left alone, a game ends in some 24 s. Its "GameOver" box has the menu's caption bar: across
# its top, ink only in the whole caption "Zelto!" (some 45 px) and in the close box at its right
# end, where Qt's own bar would add minimise and maximise.
QT_QPA_PLATFORM=wayland "$game" --play >"$work/game.log" 2>&1 &
game_pid=$!
for _ in 1 2 3 4; do wait_for '[[ -n $(window Zelto!) ]]' && break; done
read -r x y w h <<<"$(window Zelto!)"
[[ -n ${w:-} ]] && shot box || fail "no GameOver box"
# The columns of the caption bar with ink, as runs "FIRST-LAST" at least 8 px apart.
inked=$(convert "$work/box.png" -crop "${w}x26+0+2" +repage -colorspace gray -negate -threshold 15% \
    -scale "${w}x1!" -threshold 0 -depth 8 txt:- | awk -F, 'NR > 1 && /#FFFFFF/ {
        if (last == "" || $1 - last > 8) { if (last != "") printf "%d-%d ", first, last; first = $1 }
        last = $1 } END { if (last != "") printf "%d-%d", first, last }')
read -r caption close more <<<"$inked"
[[ -z ${more:-} && ${close:-} == "$((w - 22))-$((w - 13))" ]] ||
    fail "the box's caption bar has ink at $inked, not the caption and the close box alone"
((${caption#*-} - ${caption%-*} >= 40)) || fail "the box's caption is cut short: $caption"
kill "$game_pid"
echo "ok: the GameOver box (${w}x$h) has the game's caption bar: the whole caption, a close box only"

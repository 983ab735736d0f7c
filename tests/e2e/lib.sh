# Sourced by the end-to-end scripts that play the game on an X server of their own:
#   build            the build folder (ZELTO_BUILD_DIR, or the default build/)
#   fail MESSAGE     says so, with the game's output ($log, default game.log), and exits 1
#   wait_for CMD...  up to ten seconds for the command to succeed
#   window CAPTION [XWININFO-PATTERN]
#                    the id of a visible window captioned exactly so (and whose xwininfo
#                    matches the pattern, e.g. 'Width: 800$' or 'geometry 800x600')
#   sound_server     a PulseAudio server of the script's own, with a null sink
#   on PID CAPTION   the id of a visible window of program PID captioned exactly so
#   play PID KEY     plays on PID's field, steering with KEY, till the score has two digits
#   named NAME       answers the name box with NAME
build=$(realpath -m "${ZELTO_BUILD_DIR:-$(dirname "$0")/../../build}")
log=game.log
fail() { echo "FAIL: $*"; sed 's/^/  game: /' "$log" 2>/dev/null; exit 1; }
wait_for() { for _ in {1..100}; do "$@" >/dev/null 2>&1 && return 0 || sleep 0.1; done && false; }
window() {
    local id
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        [[ -z ${2:-} ]] || xwininfo -id "$id" | grep -q "$2" && { echo "$id"; return 0; }
    done
    return 1
}
sound_server() {
    pulseaudio -n -L module-native-protocol-unix -L 'module-null-sink sink_name=null' \
        --exit-idle-time=-1 --daemonize=yes 2>/dev/null && wait_for pactl info
}
# under_xvfb TOOL...: skips (status 77) unless every tool is installed, then runs the script
# again under its own Xvfb (-noreset: it must outlive the first game as a client).
under_xvfb() {
    [[ -z ${ZELTO_E2E_UNDER_XVFB:-} ]] || return 0
    for tool in xvfb-run xdotool "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    ZELTO_E2E_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0"
}
on() { xdotool search --all --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null | head -1; }
# play fires once a second; the score has two digits once its caption is wider than 12 pixels.
play() {
    wait_for on "$1" Form1 || fail "no play field"
    xdotool windowfocus --sync "$(on "$1" Form1)" sleep 0.5 key --clearmodifiers "$2"
    for _ in {1..20}; do
        xdotool key --clearmodifiers m sleep 1
        (($(import -window "$(on "$1" Form1)" -crop 60x17+136+576 +repage png:- |
            convert - -threshold 50% -trim -format %w info:) > 12)) && return
    done
    fail "no points in 20 volleys"
}
named() { wait_for window Nome || fail "no name box"; xdotool windowfocus --sync "$(window Nome)" \
    key --clearmodifiers ctrl+a type "$1" && xdotool key Return; }

#!/usr/bin/env bash
# F11 on the play field: full screen with the field scaled by the largest whole factor that
# fits and centred on black, and back to the 800x600 window. Checked on two screen sizes.
set -uo pipefail
game="${ZELTO_BUILD_DIR:?}/zelto"
for tool in xvfb-run xdotool xwininfo import convert; do
    command -v "$tool" >/dev/null || { echo "skip: $tool is not installed"; exit 77; }
done

if [[ -z ${ZELTO_E2E_SCREEN:-} ]]; then
    status=0
    # 1920x1200 fits the field twice (1600x1200); 1920x1080 only once (1080 < 1200).
    for screen in 1920x1200:2:160:0 1920x1080:1:560:240; do
        ZELTO_E2E_SCREEN=$screen xvfb-run -a -s "-screen 0 ${screen%%:*}x24 -noreset" bash "$0" || status=1
    done
    exit $status
fi

IFS=: read -r size factor ox oy <<<"$ZELTO_E2E_SCREEN"
work=$(mktemp -d)
pid=
source "$(dirname "$0")/lib.sh"
trap '[[ -n $pid ]] && kill $pid 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAILED ($size): $*"; exit 1; }
# The brightest channel value in a w x h box of the screen.
brightest() { convert "$work/shot.png" -crop "$3x$4+$1+$2" +repage -format '%[fx:int(255*maxima)]' info:; }

cd "$work"
"$game" >"$work/log" 2>&1 &
pid=$!
wait_for window Zelto 'Width: 312$' || fail "no menu"
xdotool windowfocus --sync "$(window Zelto 'Width: 312$')" key --clearmodifiers alt+p
wait_for window Form1 'Width: 800$' || fail "no play field"
field=$(window Form1 'Width: 800$')
xdotool windowfocus --sync "$field" key F11
wait_for window Form1 "Width: ${size%x*}\$" || fail "F11 did not fill the screen"
sleep 0.5
import -window root "$work/shot.png"
# The ship's picture (50x64 at 256,496 in the field) at the scaled place, black around the field.
sx=$((ox + 256 * factor)) sy=$((oy + 496 * factor))
[[ $(brightest $sx $sy $((50 * factor)) $((64 * factor))) -gt 0 ]] || fail "no ship at ($sx,$sy)"
((ox == 0)) || [[ $(brightest 0 0 $ox 1000) -eq 0 ]] || fail "the left margin is not black"
((oy == 0)) || [[ $(brightest 0 0 1920 $oy) -eq 0 ]] || fail "the top margin is not black"
echo "ok ($size): full screen, field x$factor at ($ox,$oy), black around it"
xdotool key F11
wait_for window Form1 'Width: 800$' || fail "F11 again did not give back the 800x600 window"
echo "ok ($size): F11 again gives back the 800x600 window"

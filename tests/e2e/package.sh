#!/usr/bin/env bash
# Builds the Debian package, installs it, starts the installed game under Xvfb from another
# folder, opens the play field from the menu, and checks that the music was found and the
# record file was created there. Then removes the package and checks nothing is left.
set -uo pipefail
build="${ZELTO_BUILD_DIR:?}"
if [[ $(id -u) -ne 0 ]]; then
    echo "skip: installing a package needs root"
    exit 77
fi
if dpkg -s zelto >/dev/null 2>&1; then
    echo "skip: a zelto package is already installed on this machine"
    exit 77
fi
work="$(mktemp -d)"
game=""
cleanup() {
    [[ -n $game ]] && kill "$game" 2>/dev/null
    dpkg -s zelto >/dev/null 2>&1 && apt-get remove -y -qq zelto >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); return 1; fi; }

(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"
    exit 1
}
deb="$(ls "$work"/package/zelto_*.deb)"
echo "package: $(basename "$deb")"
dpkg-deb -f "$deb" Depends
check "depends on Qt 6, PulseAudio, SDL and fonts" \
    "dpkg-deb -f '$deb' Depends | grep -q libqt6widgets6 && dpkg-deb -f '$deb' Depends | grep -q libpulse0 && dpkg-deb -f '$deb' Depends | grep -q libsdl2-2.0-0 && dpkg-deb -f '$deb' Depends | grep -q fonts-liberation"

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; exit 1; }
check "the game is installed" "[[ -x /usr/bin/zelto && -x /usr/bin/zelto-replay && -f /usr/share/zelto/wav/musica.wav ]]"
check "desktop entry and icons" \
    "[[ -f /usr/share/applications/org.example.Zelto.desktop && -f /usr/share/icons/hicolor/256x256/apps/org.example.Zelto.png ]]"

# Play from another folder: the record file belongs to the folder the game starts in.
mkdir -p "$work/player"
cat >"$work/session.sh" <<'EOF'
# A sound server of its own with a null sink, so that the game really loads its wave files.
export XDG_RUNTIME_DIR=$(mktemp -d)
pulseaudio -n -L module-native-protocol-unix -L 'module-null-sink sink_name=null' \
    --exit-idle-time=-1 --daemonize=yes 2>/dev/null
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
trap 'pulseaudio -k 2>/dev/null; rm -rf "$XDG_RUNTIME_DIR"' EXIT
cd "$1"
/usr/bin/zelto 2>"$1/stderr.log" &
game=$!
for _ in $(seq 100); do
    menu=$(xdotool search --onlyvisible --name '^Zelto$' 2>/dev/null | head -n 1)
    [[ -n $menu ]] && break
    sleep 0.1
done
[[ -n $menu ]] || { echo "no menu window"; kill $game; exit 1; }
sleep 0.3
xdotool windowfocus --sync "$menu" key --clearmodifiers alt+p
for _ in $(seq 100); do
    [[ -e "$1/record.dat" ]] && break
    sleep 0.1
done
sleep 0.5
kill -0 $game && echo running
pactl list short sink-inputs | grep -q . && echo sounding
kill $game
wait $game 2>/dev/null
exit 0
EOF
out="$(xvfb-run -a -s '-screen 0 1024x768x24 -noreset' bash "$work/session.sh" "$work/player" 2>&1)"
echo "$out"
check "the installed game runs" "[[ '$out' == *running* ]]" || cat "$work/player/stderr.log"
check "record.dat is created in the working folder" "[[ -f '$work/player/record.dat' ]]"
check "the music file is found and plays" \
    "! grep -qi 'musica.wav' '$work/player/stderr.log' && [[ '$out' == *sounding* ]]"

apt-get remove -y -qq zelto >/dev/null 2>&1
check "the package removes cleanly" \
    "! dpkg -s zelto >/dev/null 2>&1 && [[ ! -e /usr/bin/zelto && ! -e /usr/share/zelto && ! -e /usr/share/applications/org.example.Zelto.desktop ]]"

((failures == 0)) && echo "package: all checks passed"
((failures == 0))

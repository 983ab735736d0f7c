#!/usr/bin/env bash
# Builds the Debian packages, lints them, installs the game, starts it under Xvfb from another
# folder, opens the play field from the menu, and checks that the music was found and the
# record file was created there. Then removes the package and checks nothing is left.
set -uo pipefail
build="${ZELTO_BUILD_DIR:?}"
[[ $(id -u) -eq 0 ]] || { echo "skip: installing a package needs root"; exit 77; }
dpkg -s zelto >/dev/null 2>&1 && { echo "skip: a zelto package is already installed"; exit 77; }
work="$(mktemp -d)"
trap 'dpkg -s zelto >/dev/null 2>&1 && apt-get remove -y -qq zelto >/dev/null 2>&1; rm -rf "$work"' EXIT
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); return 1; fi; }

(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb="$(ls "$work"/package/zelto_*.deb)"
# lintian holds the packages to Debian's policy: any error or warning fails, and is shown.
check "lintian finds no error or warning" 'lintian --fail-on error,warning "$work"/package/*.deb'
depends=$(dpkg-deb -f "$deb" Depends)
echo "package: $(basename "$deb"), depends: $depends"
check "depends on Qt 6, PulseAudio, SDL and fonts" \
    '[[ $depends == *libqt6widgets6* && $depends == *libpulse0* && $depends == *libsdl2-2.0-0* && $depends == *fonts-liberation* ]]'
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; exit 1; }
check "the game, its checker, wave files, desktop entry and icon are installed" \
    "[[ -x /usr/games/zelto && -x /usr/games/zelto-replay && -f /usr/share/zelto/wav/musica.wav &&
        -f /usr/share/applications/org.example.Zelto.desktop && -f /usr/share/icons/hicolor/256x256/apps/org.example.Zelto.png ]]"
id=$(readelf -n /usr/games/zelto | sed -n 's/.*Build ID: //p')
check "zelto-dbg has the stripped game's debug symbols where gdb looks, by build ID" \
    "dpkg-deb -c '$work'/package/zelto-dbg_*.deb | grep -c ' ./usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug\$' >/dev/null"

# Play from another folder, with a sound server of its own: the record file belongs to the
# folder the game starts in, and the music plays.
mkdir -p "$work/player"
cat >"$work/session.sh" <<'EOF'
export XDG_RUNTIME_DIR=$(mktemp -d)
pulseaudio -n -L module-native-protocol-unix -L 'module-null-sink sink_name=null' --exit-idle-time=-1 --daemonize=yes 2>/dev/null
trap 'pulseaudio -k 2>/dev/null; rm -rf "$XDG_RUNTIME_DIR"' EXIT
until_ok() { for _ in $(seq 100); do eval "$1" >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1; }
until_ok 'pactl info'
cd "$1"
/usr/games/zelto 2>"$1/stderr.log" &
game=$!
until_ok "xdotool search --onlyvisible --name '^Zelto\$'" || { echo "no menu window"; exit 1; }
sleep 0.3
xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^Zelto$' | head -n 1)" key --clearmodifiers alt+p
until_ok "[[ -e '$1/record.dat' ]]"
sleep 0.5
kill -0 $game && echo running
pactl list short sink-inputs | grep -q . && echo sounding
kill $game
EOF
out="$(xvfb-run -a -s '-screen 0 1024x768x24 -noreset' bash "$work/session.sh" "$work/player" 2>&1)"
echo "$out"
check "the installed game runs" "[[ '$out' == *running* ]]" || cat "$work/player/stderr.log"
check "record.dat is created in the working folder" "[[ -f '$work/player/record.dat' ]]"
check "the music file is found and plays" "! grep -qi 'musica.wav' '$work/player/stderr.log' && [[ '$out' == *sounding* ]]"

apt-get remove -y -qq zelto >/dev/null 2>&1
check "the package removes cleanly" \
    "! dpkg -s zelto >/dev/null 2>&1 && [[ ! -e /usr/games/zelto && ! -e /usr/share/zelto && ! -e /usr/share/applications/org.example.Zelto.desktop ]]"
# The score board's own package, from the same build: it runs as installed, with a unit that
# systemd accepts, and goes without a trace.
board="$(ls "$work"/package/zelto-board_*.deb)"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$board" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; exit 1; }
/usr/bin/zelto-board --listen 127.0.0.1:0 --db "$work/board.sqlite" >"$work/board.out" 2>&1 &
for _ in {1..100}; do port=$(grep -o '127.0.0.1:[0-9]*' "$work/board.out" | cut -d: -f2) && break; sleep 0.05; done
check "zelto-board runs as installed" '[[ $(curl -s "http://127.0.0.1:$port/healthz") == *ok* ]]'
kill $! && wait $!
check "its systemd unit is accepted" "systemd-analyze verify /usr/lib/systemd/system/zelto-board.service"
apt-get purge -y -qq zelto-board >/dev/null 2>&1
check "zelto-board removes cleanly" "[[ ! -e /usr/bin/zelto-board && ! -e /usr/lib/systemd/system/zelto-board.service ]]"
((failures == 0)) && echo "package: all checks passed"

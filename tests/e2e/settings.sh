#!/usr/bin/env bash
# Your keys, your volume, your language, on Xvfb with a sound server of its own. "Frecce e
# Spazio", chosen in `zelto --settings`, steers, stops and fires as z, x, p and m do (the same
# keys in the recording, which checks out), where without settings the arrows do nothing and
# no settings file is made. The volumes reach the streams at the start and when changed; the
# music off at the start is an "s" the recording holds. LANG=en_US.UTF-8 speaks English.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
under_xvfb pulseaudio pactl

work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/config LANG=C.UTF-8 LC_ALL= LANGUAGE=
settings=$XDG_CONFIG_HOME/zelto/zelto.conf
cd "$work"
game_pid=
trap 'kill $game_pid 2>/dev/null || true; pulseaudio -k 2>/dev/null || true; rm -rf "$work"' EXIT
sound_server || fail "no sound server"

start() {
    "$build/zelto" "$@" >game.log 2>&1 &
    game_pid=$!
    wait_for window Zelto || fail "no menu"
}
stop() {
    kill "$game_pid" && wait "$game_pid" 2>/dev/null || true
    [[ ! -s game.log ]] || fail "the game printed on the terminal"
}
# play FILE [KEY]...: a game recorded into FILE, which the KEYs then q play; prints the keys
# that the recording holds, once it has checked out.
play() {
    xdotool windowfocus --sync "$(window Zelto)" key alt+p
    wait_for window Form1 || fail "no play field"
    xdotool windowfocus --sync "$(window Form1)" key --delay 200 "${@:2}" q
    wait_for bash -c "! xdotool search --onlyvisible --name '^Form1\$'" || fail "q did not quit"
    stop
    "$build/zelto-replay" "$1" >/dev/null || fail "$1 does not check out"
    awk '$1 == "key" { printf "%s ", $2 }' "$1"
}

start --record letters.zrp
letters=$(play letters.zrp Left z Right x Down p m)
[[ $letters == "z x p m q " && ! -e $settings ]] ||
    fail "without settings: the keys $letters, and the settings file is $(ls "$settings" 2>&1)"
start --settings --record arrows.zrp
wait_for window Impostazioni || fail "no settings window"
xdotool windowfocus --sync "$(window Impostazioni)" key alt+f Return
wait_for grep -qx 'left=Left' "$settings" || fail "Frecce e Spazio was not kept"
arrows=$(play arrows.zrp Left Right Down space)
[[ $arrows == "$letters" ]] || fail "the arrows and Space gave the keys $arrows, not $letters"
echo "ok: the arrows and Space play as z x p m, which alone play without settings"

# "VOLUME% NAME" of each stream on the sound server; whether stream $2 is at $1 %.
streams() { pactl list sink-inputs | awk '/Volume:/ { v = $5 } /media.name =/ { print v, $3 }'; }
at() { streams | grep -qx "$1% \"$2\""; }
printf '[volume]\nmusic=40\neffects=70\n' >"$settings"
start --play
wait_for at 40 music || fail "the music is not at 40 %: $(streams)"
for _ in {1..20}; do
    xdotool windowfocus --sync "$(window Form1)" key m
    at 70 laser && break
done
at 70 laser || fail "the laser is not at 70 %: $(streams)"
xdotool windowfocus --sync "$(window Zelto)" key ctrl+comma
wait_for window Impostazioni || fail "Ctrl+, opened no settings window"
xdotool windowfocus --sync "$(window Impostazioni)" key alt+u Home Return
wait_for at 0 music || fail "the music did not go silent: $(streams)"
stop
echo "ok: the volumes reach the sound server's streams, at the start and when changed"

printf '[game]\nmusicAtStart=false\n' >"$settings"
start --record silent.zrp
[[ $(play silent.zrp) == "s q " ]] || fail "the music off at the start is no recorded s"
echo "ok: with the music off at the start the recording starts with an s, and checks out"

for language in "C.UTF-8:Informazioni su Zelto:Punteggi:alt+e" "en_US.UTF-8:About Zelto:Scores:alt+q"; do
    IFS=: read -r LANG about scores quit <<<"$language"
    start
    xdotool windowfocus --sync "$(window Zelto)" key alt+i
    wait_for window "$about" || fail "LANG=$LANG: no \"$about\" box"
    xdotool windowfocus --sync "$(window Zelto)" key F2
    wait_for window "$scores" || fail "LANG=$LANG: no \"$scores\" window"
    xdotool windowfocus --sync "$(window Zelto)" key "$quit"
    wait "$game_pid" || fail "LANG=$LANG: $quit on the menu ended the game with status $?"
done
echo "ok: LANG=C.UTF-8 speaks Italian (&Esci), LANG=en_US.UTF-8 English (&Quit)"

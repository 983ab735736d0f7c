#!/usr/bin/env bash
# Installs the Debian packages Zelto needs for one purpose (only those missing), then
# configures it in build/ and builds what that purpose needs. Safe to run again: it does
# nothing that is already done.
#
#   scripts/setup.sh [play]    what builds and runs the game; builds only the game
#   scripts/setup.sh package   also what `cpack -G DEB` calls; builds only the game
#   scripts/setup.sh test      also what the test suite uses; builds everything
#   scripts/setup.sh bench     also what tools/bench/bench.sh uses; builds everything
set -euo pipefail
cd "$(dirname "$0")/.."

# Building: the compiler, the make that CMake's generator drives, Qt with its translation
# tools (lrelease, and CMake's Qt6LinguistTools), the PulseAudio client's headers for the sound
# device, SDL for gamepads, and for the score board cpp-httplib (found through pkg-config; it
# brings OpenSSL's headers).
build=(cmake make g++ pkg-config qt6-base-dev qt6-l10n-tools qt6-tools-dev libpulse-dev
    libsdl2-dev libcpp-httplib-dev)
# Running: Qt's X11 and Wayland platform plugins, and fonts for the game's texts. Sound goes
# to the desktop's PulseAudio (or PipeWire) server through its client library, which the game
# loads at its first sound. The score board keeps its games through Qt's SQLite driver.
run=(qt6-qpa-plugins qt6-wayland fonts-liberation libqt6sql6-sqlite)
# Packaging: the Debian generator reads the game's libraries with dpkg-shlibdeps and file.
package=(file dpkg-dev)
# Testing: virtual X and Wayland servers, window tools and screenshots, a sound server for
# the tests' own null sinks, clang with its fuzzing runtime, the desktop-file and metainfo
# validators, and lintian, which holds the package to Debian's policy. The package test builds
# a package, so testing needs the packaging tools too.
test=(xvfb xauth xdotool x11-utils imagemagick weston pulseaudio pulseaudio-utils
    clang libclang-rt-14-dev appstream desktop-file-utils lintian)
# Benchmarking: the virtual X server, window tools and sound server the game is measured under,
# the X libraries' headers for zelto-xprobe (which types the keys and sees each picture arrive),
# and a small X11 arcade game that tools/bench/bench.sh plays beside Zelto as a yardstick.
bench=(xvfb xauth xdotool x11-utils pulseaudio pulseaudio-utils libx11-dev libxtst-dev
    libxdamage-dev xgalaga)
# The score board's tests: PostgreSQL and Qt's driver for it, a headless browser for its page,
# curl, OpenSSL and Python for its clients; wrk for its benchmark (tools/bench/board.sh).
test+=(postgresql libqt6sql6-psql chromium curl openssl python3 wrk)

case "${1:-play}" in
play) packages=("${build[@]}" "${run[@]}") preset=game ;;
package) packages=("${build[@]}" "${run[@]}" "${package[@]}") preset=game ;;
test) packages=("${build[@]}" "${run[@]}" "${package[@]}" "${test[@]}") preset=default ;;
bench) packages=("${build[@]}" "${run[@]}" "${bench[@]}") preset=default ;;
*)
    echo "usage: $0 [play|package|test|bench]" >&2
    exit 2
    ;;
esac

missing=()
for name in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$name")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake --preset default >/dev/null
cmake --build --preset "$preset"

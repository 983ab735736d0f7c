#!/usr/bin/env bash
# Installs the Debian packages that Zelto needs (only those missing), then configures and
# builds it in build/. Safe to run again: it does nothing that is already done.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    # build
    cmake make g++ qt6-base-dev qt6-multimedia-dev libsdl2-dev
    # running: the X11 platform plugin, sound, fonts for the game's texts
    qt6-qpa-plugins pulseaudio pulseaudio-utils fonts-liberation
    # tests: a virtual X server, window tools and screenshots, the fuzzers, the package checks
    xvfb xauth xdotool x11-utils imagemagick clang libclang-rt-14-dev
    dpkg-dev appstream desktop-file-utils
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
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
cmake --build --preset default

#!/usr/bin/env bash
# Installs the Debian packages the project needs, but only those that are missing.
# Usage: scripts/deps.sh build|test
set -euo pipefail

build_pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev libsdl2-dev
            librtmidi-dev libjack-jackd2-dev libasound2-dev
            libgtest-dev libgmock-dev libbenchmark-dev fonts-wine dpkg-dev)
# What the end-to-end tests need: a real X server, a real sound server and a JACK server (MIDI).
e2e_pkgs=(xvfb xdotool xclip x11-utils imagemagick pulseaudio pulseaudio-utils jackd2)
# What the packaging test needs to check the desktop entry, the AppStream file and the package.
pack_pkgs=(desktop-file-utils appstream lintian)

case "${1:-build}" in
    build) wanted=("${build_pkgs[@]}") ;;
    test) wanted=("${build_pkgs[@]}" "${e2e_pkgs[@]}" "${pack_pkgs[@]}") ;;
    *) echo "usage: $0 build|test" >&2; exit 2 ;;
esac

missing=()
for p in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

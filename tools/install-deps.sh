#!/usr/bin/env bash
# Installs the Debian packages the game and its tests need, and nothing that is already there.
# Safe to run again and again; uses sudo when not run as root.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-translations-l10n
    libsdl2-mixer-dev
    libgtest-dev libbenchmark-dev
    fonts-ipafont-gothic fonts-dejavu-core
    lame
    xvfb xauth xdotool imagemagick at-spi2-core python3-pyatspi dbus-x11 x11-utils
    clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: everything is installed"
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

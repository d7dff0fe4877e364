#!/usr/bin/env bash
# Installs the Debian packages the game needs, and nothing that is already there.
#
#   bash tools/install-deps.sh --play   what building and playing the game needs
#   bash tools/install-deps.sh --dev    that, and what the tests and the package checks need
#                                       (the default)
#
# Safe to run again and again; uses sudo when not run as root.
set -euo pipefail

mode=dev
case "${1:---dev}" in
--play) mode=play ;;
--dev) mode=dev ;;
*)
    echo "usage: bash tools/install-deps.sh [--play | --dev]" >&2
    exit 2
    ;;
esac

# Building and playing: compiler, Qt, SDL2 and libmpg123, the fonts the screens use, lame for the music,
# and dpkg-dev, whose dpkg-shlibdeps gives the Debian package its library dependencies.
play_packages=(
    cmake g++ make pkg-config ccache dpkg-dev
    qt6-base-dev qt6-translations-l10n qt6-charts-dev libqt6opengl6-dev
    libsdl2-dev libmpg123-dev
    fonts-ipafont-gothic fonts-dejavu-core
    lame
)

# Tests: GoogleTest; the real-display walk (Xvfb, xdotool, ImageMagick, a D-Bus session and
# the accessibility bus, xev for the start-up figure); the checks of the package files; the
# XTEST and DAMAGE extensions' client libraries for the start-up and key-to-screen benchmarks.
dev_packages=(
    libgtest-dev libxcb-xtest0-dev libxcb-damage0-dev
    xvfb xdotool imagemagick dbus-daemon dbus-bin at-spi2-core python3-pyatspi x11-utils
    lintian appstream desktop-file-utils
    clang libclang-rt-14-dev
)

packages=("${play_packages[@]}")
if [ "$mode" = dev ]; then
    packages+=("${dev_packages[@]}")
fi

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

#!/usr/bin/env bash
# Installs what playing needs, builds the game with its data and music (no tests, no
# benchmarks) and starts it in its run directory (build/run). Arguments go to the game.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh --play
if [ ! -x build/run/kazamina-typing ]; then
    echo "play: building the game and rendering its music; the first build takes a few minutes."
fi
echo "play: configuring the build in build/"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target game
cd build/run
exec ./kazamina-typing "$@"

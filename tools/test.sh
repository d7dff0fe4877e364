#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
cd build
ctest --output-on-failure -j"$(nproc)" "$@"

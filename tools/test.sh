#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
# CTest holds a test's output until it ends: the real-display walk (about 90 s) also writes a
# line for every screen it reaches straight to the terminal, when there is one.
export KAZAMINA_WALK_PROGRESS=/dev/tty
cd build
# The log lets tools/check-skips.sh (run by CI) see which tests skipped themselves.
set +e
ctest --output-on-failure -j"$(nproc)" "$@" 2>&1 | tee ctest.log
status=${PIPESTATUS[0]}
set -e
exit "$status"

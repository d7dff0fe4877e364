#!/usr/bin/env bash
# Builds the unit and widget tests with AddressSanitizer and UndefinedBehaviorSanitizer in their
# own build folder (build-asan) and runs them. Any finding fails the run; leaks inside SDL's own
# libraries are the only ones let pass (tools/lsan-suppressions.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
# The game's library and all that links it; the music synthesizer, a build tool, stays fast.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAZAMINA_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs" --target unit-tests widget-tests register-loop
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tools/lsan-suppressions.txt:print_suppressions=0
cd build-asan
ctest --output-on-failure -j"$jobs" -R '^unit\.|^widget\.'

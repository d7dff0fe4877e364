#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang in their own build folder (build-fuzz) and runs each
# for a fixed number of inputs, starting from its seed corpus in tests/fuzz/corpus/<harness>.
# A crash, leak, undefined behaviour or failed property stops the run and leaves the input in
# that corpus folder as crash-*: keep it there (committed), so every later run replays it.
#   bash tools/fuzz.sh             the CI amount, always with seed 1 (the same inputs every run)
#   FUZZ_SCALE=20 bash tools/fuzz.sh   twenty times as many inputs
#   FUZZ_SEED=$RANDOM FUZZ_SCALE=20 bash tools/fuzz.sh   a longer run over inputs never tried
#   FUZZ_ONLY=history bash tools/fuzz.sh   one harness
set -euo pipefail
cd "$(dirname "$0")/.."
scale=${FUZZ_SCALE:-1}
seed=${FUZZ_SEED:-1}
harnesses=(text_file settings high_score history options phrases romaji_table)
if [ -n "${FUZZ_ONLY:-}" ]; then
    harnesses=("$FUZZ_ONLY")
fi
jobs=$(nproc)

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAZAMINA_FUZZ=ON \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-fuzz -j"$jobs" --target $(printf "fuzz-%s " "${harnesses[@]//_/-}")

# Inputs per harness, chosen for about 20 s each on one core of the CI machine.
declare -A runs=([text_file]=200000 [settings]=120000 [high_score]=300000 [history]=10000
    [options]=150000 [phrases]=60000 [romaji_table]=100000)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
echo "fuzz: seed $seed"
for harness in "${harnesses[@]}"; do
    corpus=tests/fuzz/corpus/$harness
    scratch=$(mktemp -d)   # what the fuzzer learns goes here; the committed seeds stay as they are
    n=$((runs[$harness] * scale))
    echo "fuzz: $harness, $n inputs"
    start=$(date +%s)
    status=0
    ./build-fuzz/tests/fuzz/fuzz-${harness//_/-} -runs="$n" -seed="$seed" -max_len=12000 \
        -artifact_prefix="$corpus/crash-" -print_final_stats=1 "$scratch" "$corpus" \
        >"$scratch.log" 2>&1 || status=$?
    grep -E 'stat::number_of_executed_units|ERROR|property failed|SUMMARY|Test unit written' \
        "$scratch.log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$scratch.log" >&2
    fi
    rm -f "$scratch.log"
    rm -rf "$scratch"
    echo "fuzz: $harness took $(($(date +%s) - start)) s"
    if [ "$status" -ne 0 ]; then
        echo "fuzz: $harness found a problem with seed $seed (input kept in $corpus)" >&2
        exit 1
    fi
done

#!/usr/bin/env bash
# This build against an earlier one (a commit of this repository, or any program given by its
# path), alternately on one private Xvfb so that the machine's load falls on both alike:
#   start-up   exec to the first mapped window (bench-start_up), min / median / max
#   memory     resident 3 s after that window
#   peak       VmHWM over the whole e2e walk (bench/walk_memory.py, bundled music), once each,
#              only with --peak (it plays for about two minutes a build)
# and the ratios ours/theirs.
#
#   bench/compare.sh [--build DIR] [--runs N] [--peak] COMMIT|PROGRAM
#
# A commit is built in DIR/compare/<commit>/build (the game only; ccache makes a rebuild of a commit
# that was built before quick). Needs Xvfb and a build with bench-start_up.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
runs=15
peak=0
while [ $# -gt 1 ]; do
    case "$1" in
    --build) build=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --peak) peak=1; shift ;;
    *) break ;;
    esac
done
if [ $# -ne 1 ]; then
    sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
fi
target=$1
build=$(readlink -f "$build")
ours=$build/run/kazamina-typing
[ -x "$ours" ] || { echo "compare: no game in $build/run (build it first)" >&2; exit 1; }
[ -x "$build/bench/bench-start_up" ] || { echo "compare: no bench-start_up in $build/bench" >&2; exit 1; }

theirs_build=
if [ -x "$target" ] && [ ! -d "$target" ]; then
    theirs=$(readlink -f "$target")
else
    commit=$(git rev-parse --verify "$target^{commit}")
    # The source laid out as every checkout is (build/ inside it), so ccache finds the objects
    # of a checkout that built this commit before.
    theirs_src=$build/compare/$commit
    theirs_build=$theirs_src/build
    if [ ! -x "$theirs_build/run/kazamina-typing" ]; then
        echo "compare: building $commit in $theirs_build"
        mkdir -p "$theirs_src"
        git archive "$commit" | tar -x -C "$theirs_src"
        export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work} CCACHE_NOHASHDIR=1
        cmake -S "$theirs_src" -B "$theirs_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
        cmake --build "$theirs_build" -j2 --target kazamina-typing run-data >/dev/null
    fi
    theirs=$theirs_build/run/kazamina-typing
fi

# A private X server for the whole comparison.
scratch=$(mktemp -d)
exec 3>"$scratch/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >"$scratch/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$scratch"' EXIT
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n 1 "$scratch/display")
export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$scratch
echo "compare: ours $ours"
echo "compare: theirs $theirs"
echo "compare: load $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
"$build/bench/bench-start_up" --runs "$runs" "$ours" -- "$theirs"

if [ "$peak" = 1 ]; then
    [ -n "$theirs_build" ] || { echo "compare: --peak needs a commit, not a program" >&2; exit 2; }
    a=$(/usr/bin/python3 bench/walk_memory.py --build-dir "$build" --only bundled | tail -n 1)
    b=$(/usr/bin/python3 bench/walk_memory.py --build-dir "$theirs_build" --only bundled | tail -n 1)
    echo "peak over the walk: ours $a; theirs $b"
fi

#!/bin/sh
# Starts カザミナへのタイピング in the player's own folder.
#
# The game keeps its settings and high scores in system/ and plays its sounds from music/
# under its working directory. An installed game must never write into the system's folders,
# so each player gets ${XDG_DATA_HOME:-~/.local/share}/kazamina-typing, its system/ filled
# from the installed defaults on first start. A file the player already has is never
# replaced: their high scores and settings survive every update. The music is not copied:
# the game plays it from the installed folder, and a file of the same name in the player's
# music/ comes first.
set -eu

here=$(dirname "$(readlink -f "$0")")
prefix=$(dirname "$here")
defaults="$prefix/share/kazamina-typing"
game="$prefix/lib/kazamina-typing/kazamina-typing"
# The progress window is a program of its own (the game never loads the charts' libraries).
[ "${1:-}" = --stats ] && game="$prefix/lib/kazamina-typing/kazamina-typing-stats"

# An unset, empty or relative XDG_DATA_HOME means the default (XDG base directory rules).
case "${XDG_DATA_HOME:-}" in
/*) data_home=$XDG_DATA_HOME ;;
*)
    if [ -z "${HOME:-}" ]; then
        echo "kazamina-typing: neither XDG_DATA_HOME nor HOME is set; cannot find your folder" >&2
        exit 1
    fi
    data_home=$HOME/.local/share
    ;;
esac
folder="$data_home/kazamina-typing"

mkdir -p "$folder/music"
for kind in system; do
    mkdir -p "$folder/$kind"
    for file in "$defaults/$kind"/*; do
        [ -f "$file" ] || continue
        target="$folder/$kind/$(basename "$file")"
        [ -e "$target" ] && continue
        # Copy under a temporary name, then hard-link it into place: the link fails if the
        # file has appeared meanwhile (a second start), and an interrupted copy never leaves
        # a half-written file under the real name.
        partial="$target.partial.$$"
        cp "$file" "$partial"
        ln "$partial" "$target" 2>/dev/null || true
        rm -f "$partial"
    done
done

cd "$folder"
KAZAMINA_TYPING_DATA=$defaults
export KAZAMINA_TYPING_DATA
exec "$game" "$@"

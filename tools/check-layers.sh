#!/usr/bin/env bash
# Fails when a source file includes a header of a folder above its own in tools/layers.txt,
# naming the file, the line and the include.
set -euo pipefail
cd "$(dirname "$0")/.."
layers=$(grep -v '^#' tools/layers.txt | awk 'NF { print $1 }')
mapfile -t order <<<"$layers"
declare -A rank
for i in "${!order[@]}"; do rank[${order[$i]}]=$i; done

bad=0
checked=0
for folder in "${order[@]}"; do
    [ -d "$folder" ] || { echo "check-layers: tools/layers.txt names $folder/, which does not exist" >&2; bad=1; continue; }
    while IFS= read -r -d '' file; do
        checked=$((checked + 1))
        while IFS=: read -r line include; do
            target=${include%%/*}
            [ -n "${rank[$target]+x}" ] || continue
            if [ "${rank[$target]}" -gt "${rank[$folder]}" ]; then
                echo "check-layers: $file:$line includes \"$include\": $target/ stands above $folder/" >&2
                bad=1
            fi
        done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z]*/' "$file" |
                 sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
    done < <(find "$folder" -type f \( -name '*.cpp' -o -name '*.h' \) -print0)
done
# A folder with game sources that the order leaves out would escape the check.
for dir in */; do
    dir=${dir%/}
    case "$dir" in build* | tests | bench | tools | docs | data | packaging) continue ;; esac
    if [ -z "${rank[$dir]+x}" ] && [ -n "$(find "$dir" -maxdepth 1 -name '*.cpp' -print -quit)" ]; then
        echo "check-layers: $dir/ holds sources but is not in tools/layers.txt" >&2
        bad=1
    fi
done
if [ "$bad" -ne 0 ]; then
    exit 1
fi
echo "check-layers: $checked files, no include runs upwards"

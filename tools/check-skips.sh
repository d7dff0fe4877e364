#!/usr/bin/env bash
# Fails when CTest's log names a skipped test that tests/skips.txt does not list with a reason:
# a test that skips itself in CI tests nothing there, so each one must be a decision.
#   bash tools/check-skips.sh build/ctest.log
set -euo pipefail
cd "$(dirname "$0")/.."
log=${1:-build/ctest.log}
allowed=tests/skips.txt
if [ ! -f "$log" ]; then
    echo "check-skips: no CTest log at $log" >&2
    exit 1
fi
status=0
# Every listed test needs its reason.
while read -r name reason; do
    if [ -z "$reason" ]; then
        echo "check-skips: $allowed lists $name without a reason" >&2
        status=1
    fi
done < <(grep -Ev '^[[:space:]]*(#|$)' "$allowed" || true)
# CTest sums up: "The following tests did not run:" then "  12 - unit.X.y (Skipped)".
skipped=$(sed -nE 's/^[[:space:]]*[0-9]+ - ([^ ]+) \(Skipped\)$/\1/p' "$log" | sort -u)
for name in $skipped; do
    if ! grep -Eq "^[[:space:]]*${name//./\\.}[[:space:]]+[^[:space:]]" "$allowed"; then
        echo "check-skips: $name was skipped and is not in $allowed" >&2
        status=1
    fi
done
count=$(printf '%s' "$skipped" | grep -c . || true)
echo "check-skips: $count skipped test(s), all listed: $([ $status -eq 0 ] && echo yes || echo no)"
exit $status

#!/usr/bin/env bash
# Mutation testing of the rule sources, run by hand (see tools/mutation.py --help).
set -euo pipefail
exec /usr/bin/python3 "$(dirname "$0")/mutation.py" "$@"

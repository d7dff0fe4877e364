#!/usr/bin/env bash
# Builds the Debian package from an existing build (build/ by default) and checks it and its
# AppStream file: lintian --pedantic must report no error and no warning.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/kazamina-typing_*.deb | head -n 1)
echo "check-package: $deb"
lintian --pedantic --fail-on error,warning "$deb"
appstreamcli validate --pedantic --no-net packaging/org.kazamina.Typing.metainfo.xml

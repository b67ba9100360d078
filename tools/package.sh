#!/usr/bin/env bash
# Builds the Debian package from build/ and checks it as Debian would: any lintian error or
# warning fails (info tags are listed but let through).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/setup.sh lintian
. tools/lib.sh
cmake --preset default
cmake --build --preset default
rm -f build/corvane-scripts_*.deb
(cd build && cpack -G DEB)
deb=(build/corvane-scripts_*.deb)
lintian --display-info --fail-on error,warning "${deb[@]}"
echo "lintian: no errors or warnings in ${deb[*]}"

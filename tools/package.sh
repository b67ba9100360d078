#!/usr/bin/env bash
# Builds the Debian package from build/ and checks it as Debian would: any lintian error or
# warning fails (info tags are listed but let through).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/setup.sh lintian
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
cmake --build build
rm -f build/corvane-scripts_*.deb
(cd build && cpack -G DEB)
deb=(build/corvane-scripts_*.deb)
lintian --display-info --fail-on error,warning "${deb[@]}"
echo "lintian: no errors or warnings in ${deb[*]}"

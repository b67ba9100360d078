#!/usr/bin/env bash
# Builds everything and runs every test (web-view tests run on the offscreen platform).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
cmake --build build
cd build && ctest --output-on-failure

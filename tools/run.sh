#!/usr/bin/env bash
# Builds the program and starts it on the default script library beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
cmake --build build --target corvane-scripts corvane_default_library
exec ./build/bin/corvane-scripts

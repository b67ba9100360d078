#!/usr/bin/env bash
# Builds the program and starts it on the default script library beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target corvane-scripts corvane_default_library
exec ./build/bin/corvane-scripts

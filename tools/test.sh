#!/usr/bin/env bash
# Builds everything and runs every test (web-view tests run on the offscreen platform; the
# start-up test on a display of its own under Xvfb, with openbox and without a window manager).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
. tools/lib.sh
cmake --preset default
cmake --build --preset default
cd build && ctest --output-on-failure

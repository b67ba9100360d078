#!/usr/bin/env bash
# Builds the program and starts it on the default script library beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
. tools/lib.sh
cmake --preset default
cmake --build --preset default --target corvane-scripts corvane_default_library
exec ./build/bin/corvane-scripts

#!/usr/bin/env bash
# The format check, the layers' arrows (tools/layers.sh), then clang-tidy (.clang-tidy) over the
# program's own sources, with the compile commands of the default build. Fails when any finds
# anything.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
status=0
bash tools/format.sh --check || status=1
bash tools/layers.sh || status=1
. tools/lib.sh
cmake --preset default >/dev/null
# The generated sources (forms, resources, moc) must exist for the Qt layers to parse.
mapfile -t generated < <(ninja -C build -t targets all | sed -n 's/^\([A-Za-z0-9_]*_autogen\): .*/\1/p' | sort -u)
cmake --build --preset default --target "${generated[@]}"
mapfile -t sources < <(git ls-files -- '*.cpp' ':!:tests/**' ':!:bench/**' ':!:fuzz/**' ':!:**/*_win.cpp')
run-clang-tidy -quiet -p build -j "${CORVANE_JOBS:-2}" "${sources[@]/#/$PWD/}" || status=1
exit $status

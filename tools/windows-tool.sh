#!/usr/bin/env bash
# Cross-builds the library tool alone for 64-bit Windows with mingw-w64: a self-contained
# build-win/bin/corvane-library.exe to copy to a Windows machine. Installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh cmake ninja-build g++-mingw-w64-x86-64-posix googletest
. tools/lib.sh
cmake --preset windows
cmake --build --preset windows --target corvane-library
echo "Built $PWD/build-win/bin/corvane-library.exe"

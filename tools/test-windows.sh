#!/usr/bin/env bash
# Cross-builds the plain C++ layers and their tests for 64-bit Windows with mingw-w64 and runs
# them under Wine. Everything lands in build-win/ (the Wine prefix too); no display is needed.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 googletest locales

build=build-win # the windows preset's folder
. tools/lib.sh
cmake --preset windows
cmake --build --preset windows -j "${CORVANE_JOBS:-2}"

# The library's files are Windows-1251 as on a Bulgarian system: Wine takes its ANSI code page
# from LC_CTYPE, and it needs a UTF-8 locale to give Unix files Cyrillic names. A private copy
# of bg_BG.UTF-8 leaves the system's locales alone.
locales="$PWD/$build/locale"
[ -d "$locales/bg_BG.UTF-8" ] || { mkdir -p "$locales" && localedef -i bg_BG -f UTF-8 "$locales/bg_BG.UTF-8"; }
export LOCPATH="$locales"
wine_locale=(env LC_ALL=bg_BG.UTF-8)
export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix (once)..."
  "${wine_locale[@]}" wineboot --init >/dev/null 2>&1 || true
  wineserver --wait
fi

status=0
(cd "$build" && "${wine_locale[@]}" ctest --output-on-failure) || status=$?
wineserver --kill >/dev/null 2>&1 || true
exit $status

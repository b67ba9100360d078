#!/usr/bin/env bash
# Start-up time: process start to the welcome page's text on screen, for the program and for a
# bare QWebEngineView window showing the same Warning.html; alternating runs, medians, ratio.
# Usage: bench/startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-9}
state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT
export XDG_STATE_HOME=$state QT_LOGGING_RULES="*.debug=false"
# The first start greets and writes no welcome page; get it out of the way.
timeout 15 xvfb-run -a -s '-screen 0 1280x900x24' "$build/bin/corvane-scripts" >/dev/null 2>&1 || true
page=$state/Warning.html
cp "$build/bin/Warning.html" "$page" 2>/dev/null || true

# Under a window manager, so that both windows open maximised, the same size, as the user sees
# them; the clock starts when the program does, after the manager is up.
measure() {
  xvfb-run -a -s '-screen 0 1280x900x24' sh -c 'openbox >/dev/null 2>&1 & sleep 1; exec "$0" "$@"' \
    "$build/bin/startupprobe" "$@" 2>/dev/null | tail -1
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

: >"$state/program" ; : >"$state/bare"
for ((i = 0; i < runs; i++)); do
  measure "$build/bin/corvane-scripts" >>"$state/program"
  [ -f "$page" ] || cp "$build/bin/Warning.html" "$page"
  measure "$build/bin/bareview" "$page" >>"$state/bare"
done
program=$(median <"$state/program")
bare=$(median <"$state/bare")
echo "program ms: $(tr '\n' ' ' <"$state/program")"
echo "bare    ms: $(tr '\n' ' ' <"$state/bare")"
awk -v p="$program" -v b="$bare" 'BEGIN { printf "median program %d ms, bare window %d ms, ratio %.2f\n", p, b, p / b }'

#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer in build-fuzz/ and runs each for SECONDS
# (default 60), two at a time; names after SECONDS (textlist, jpeg, ...) pick some of them.
# Corpora grow and crashes land under $CORVANE_FUZZ_DIR (default /tmp/corvane-fuzz), outside
# the repository; fails if any target finds a fault.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
bash tools/setup.sh
bash tools/setup.sh clang-14 libclang-rt-14-dev
. tools/lib.sh
cmake --preset fuzz
targets=(textlist profile registrytext jpeg htmllexer)
[ $# -eq 0 ] || targets=("$@")
cmake --build --preset fuzz -j2 --target "${targets[@]/#/fuzz_}"

work=${CORVANE_FUZZ_DIR:-/tmp/corvane-fuzz}
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
declare -A maxlen=([textlist]=4096 [profile]=4096 [registrytext]=4096 [jpeg]=16384 [htmllexer]=4096)

run() {
  local t=$1 dir=$work/$1
  mkdir -p "$dir/corpus" "$dir/crashes"
  local dict=()
  [ -f "fuzz/$t.dict" ] && dict=(-dict="fuzz/$t.dict")
  # New inputs go to the working corpus; the seeds in the repository are only read.
  ./build-fuzz/bin/fuzz_"$t" "$dir/corpus" "fuzz/corpus/$t" "${dict[@]}" -max_total_time="$seconds" \
      -max_len="${maxlen[$t]}" -rss_limit_mb=2048 -timeout=25 -print_final_stats=1 \
      -artifact_prefix="$dir/crashes/" > "$dir/log" 2>&1 && echo ok > "$dir/status" \
    || echo FAILED > "$dir/status"
}

# Two cores: never more than two fuzzers at once.
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  for t in "${targets[@]:i:2}"; do run "$t" & done
  wait
done
failed=0
for t in "${targets[@]}"; do
  status=$(cat "$work/$t/status")
  [ "$status" = ok ] || failed=1
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/$t/log" | grep -o '[0-9]*$' || true)
  corpus=$(grep -o 'corp: [0-9]*/[0-9A-Za-z]*' "$work/$t/log" | tail -n 1 | cut -c7- || true)
  echo "fuzz_$t: $status, ${runs:-?} runs, corpus ${corpus:-?} (units/bytes), log $work/$t/log"
  [ "$status" = ok ] || grep -m3 -E 'ERROR|SUMMARY|Test unit written' "$work/$t/log" || true
done
exit $failed

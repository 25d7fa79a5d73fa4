#!/usr/bin/env bash
# The fuzz smoke run: replays every kept regression and seed file once, then fuzzes every target
# at the same time for ORVEK_FUZZ_SMOKE_SECONDS. Usage: smoke.sh SOURCE_DIR FUZZ_BUILD_DIR
set -euo pipefail
src=$1
bin=$2
seconds=${ORVEK_FUZZ_SMOKE_SECONDS:-30}
work=$bin/smoke
rm -rf "$work"
mkdir -p "$work/seeds" "$work/stream-seeds" "$work/artifacts"
for target in cfile xls_load biff core_text; do
  mkdir -p "$work/$target"
done
"$bin/fuzz_make_seeds" "$work/seeds" "$work/stream-seeds"

common=(-timeout=10 -rss_limit_mb=2048 -artifact_prefix="$work/artifacts/")
# Undefined behaviour fails the run like a crash does.
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

# Every kept file once (-runs=0 stops after the given inputs). The first folder is where
# libFuzzer would add inputs, so it is a scratch one, never the kept files.
replay() {
  local target=$1
  shift
  mkdir -p "$work/replay-$target"
  "$bin/fuzz_$target" -runs=0 "${common[@]}" "$work/replay-$target" "$@" \
    > "$work/replay-$target.log" 2>&1 || {
    echo "fuzz_$target failed on a kept file:"
    tail -40 "$work/replay-$target.log"
    return 1
  }
}
replay xls_load "$src/tests/data/xls/regressions" "$work/seeds"
replay cfile "$src/tests/data/xls/regressions" "$work/seeds"
replay biff "$work/stream-seeds"
replay core_text "$src/tests/data/core-seeds"

run() {
  local target=$1
  shift
  "$bin/fuzz_$target" -max_total_time="$seconds" -max_len=65536 "${common[@]}" "$@" \
    > "$work/$target.log" 2>&1 || { echo "fuzz_$target failed:"; tail -40 "$work/$target.log"; return 1; }
}
pids=()
run cfile "$work/cfile" "$work/seeds" & pids+=($!)
run xls_load -dict="$src/fuzz/biff.dict" "$work/xls_load" "$work/seeds" & pids+=($!)
run biff -dict="$src/fuzz/biff.dict" "$work/biff" "$work/stream-seeds" & pids+=($!)
run core_text -max_len=16384 "$work/core_text" "$src/tests/data/core-seeds" & pids+=($!)
status=0
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
if [ "$status" -ne 0 ]; then
  echo "The fuzz smoke run found a fault; the input is in $work/artifacts." \
       "Keep it in tests/data/xls/regressions/ once fixed."
fi
exit "$status"

#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz-preset build on top of their seed corpora.
#
#   tests/fuzz/run.sh [SECONDS] [TARGET...]
#
# SECONDS per target (default 20); every target unless named (reg_load,
# reg_import, bmp, profile, ffserver, settings_pages, settings_driver,
# effect_script, user_script). Up to $QJ_FUZZ_JOBS targets run at once
# (default 4). New inputs go to build/fuzz/found/<target>, never into the
# corpus in git; a crash leaves its input in build/fuzz/crashes/ and makes the
# run fail. Build first: cmake --preset fuzz && cmake --build --preset fuzz
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-20}
shift || true
build=build/fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for corpus in tests/fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
fi
mkdir -p "$build/found" "$build/crashes" "$build/logs"
export QJ_MACHINE_ROOT="$PWD/$build/machines"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_one() {
  local target=$1 seconds=$2 build=$3
  local exe="$build/tests/fuzz/fuzz_$target"
  mkdir -p "$build/found/$target"
  if "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 -print_final_stats=1 \
       -artifact_prefix="$build/crashes/$target-" "$build/found/$target" "tests/fuzz/corpus/$target" \
       > "$build/logs/$target.log" 2>&1; then
    echo "fuzz $target: $(grep -E '^stat::number_of_executed_units' "$build/logs/$target.log" | awk '{print $2}') runs, no crash"
  else
    echo "fuzz $target: FAILED (log $build/logs/$target.log)"
    tail -40 "$build/logs/$target.log"
    return 1
  fi
}
export -f run_one
printf '%s\n' "${targets[@]}" | xargs -P "${QJ_FUZZ_JOBS:-4}" -I{} bash -c 'run_one "$@"' _ {} "$seconds" "$build"

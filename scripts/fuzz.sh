#!/usr/bin/env bash
# Fuzzes every reader of outside input with libFuzzer (Debian's clang).
#   scripts/fuzz.sh            runs each fuzzer over its checked-in corpus once (seconds; CI does this)
#   scripts/fuzz.sh RUNS       runs each fuzzer for RUNS fresh inputs (e.g. 1000000), two at a time;
#                              new interesting inputs land in build-fuzz/corpus/<name>, a crashing
#                              input in build-fuzz/crashes/<name>: fix it, then keep it in the corpus.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${PANELIA_FUZZ_DIR:-$top/build-fuzz}"
runs="${1:-0}"
fuzzers=(reg_file ini page_list address mp3_probe message)

"$top/scripts/bootstrap.sh"
cmake -S "$top" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPANELIA_FUZZ=ON \
  -DPANELIA_BUILD_TESTS=OFF -DPANELIA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target panelia_fuzzers -j"$(nproc)" >/dev/null

# Leaks are faults too; the fuzzers' scratch files go to a private folder.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TMPDIR="$build/tmp"
mkdir -p "$TMPDIR"

if [ "$runs" = 0 ]; then
  for name in "${fuzzers[@]}"; do
    start=$(date +%s%N)
    "$build/bin/${name}_fuzzer" -runs=0 -artifact_prefix="$build/" "$top/tests/fuzz/corpus/$name" 2>"$build/$name.log" ||
      { cat "$build/$name.log"; echo "fuzz: $name failed on its corpus"; exit 1; }
    echo "fuzz: $name corpus ($(ls "$top/tests/fuzz/corpus/$name" | wc -l) inputs) passed in $(( ($(date +%s%N) - start) / 1000000 )) ms"
  done
  exit 0
fi

run_one() {
  local name=$1
  mkdir -p "$build/corpus/$name" "$build/crashes/$name"
  local start=$(date +%s)
  if "$build/bin/${name}_fuzzer" -runs="$runs" -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$build/crashes/$name/" "$build/corpus/$name" "$top/tests/fuzz/corpus/$name" \
       >"$build/$name.log" 2>&1; then
    echo "fuzz: $name: $runs inputs in $(( $(date +%s) - start )) s, no crash ($(grep -o 'stat::number_of_executed_units: [0-9]*' "$build/$name.log" | tail -1))"
  else
    echo "fuzz: $name FAILED after $(( $(date +%s) - start )) s; see $build/$name.log and $build/crashes/$name/"
    return 1
  fi
}

status=0
pids=()
for name in "${fuzzers[@]}"; do
  run_one "$name" & pids+=($!)
  if [ ${#pids[@]} -ge "$(nproc)" ]; then wait "${pids[0]}" || status=1; pids=("${pids[@]:1}"); fi
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
exit $status

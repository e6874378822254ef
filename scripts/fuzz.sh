#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each for the given number of seconds (default 600):
#   scripts/fuzz.sh [seconds]
# With --runs N instead, each target runs N inputs from a fixed seed (the short run of
# scripts/test.sh: the same inputs on every machine, so a clean checkout passes or fails
# alike; the timed runs draw a new seed each time and explore).
# New inputs go to build/fuzz/corpus/<target>; fuzz/corpus/<target> is the seed corpus
# kept in the repository. A crash is written to build/fuzz/crashes/ and ends the script
# with an error (the files of the last input stay in build/fuzz/scratch/): fix it and add
# the input to fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

limit=(-max_total_time="${1:-600}")
if [ "${1:-}" = "--runs" ]; then
  limit=(-runs="${2:?--runs needs a number}" -seed=1)
fi

scripts/setup.sh
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTROVE_FUZZ=ON -DKESTROVE_TESTS=OFF -DKESTROVE_BENCH=OFF -DKESTROVE_WERROR=ON >/dev/null
ninja -C build/fuzz -j "$(nproc)" fuzz_targets

mkdir -p build/fuzz/crashes
# The targets write each input to a file of their own here.
export KESTROVE_FUZZ_SCRATCH="$top/build/fuzz/scratch"
for target in fuzz_result_file fuzz_ncdu_json fuzz_language_file fuzz_settings_file fuzz_mask; do
  run=("${limit[@]}")
  # Each settings input is several file writes and syncs: a twentieth of the runs takes as long.
  if [ "$target" = fuzz_settings_file ] && [ "${1:-}" = "--runs" ]; then run=(-runs=$(( $2 / 20 )) -seed=1); fi
  echo "== $target ${run[*]}"
  mkdir -p "build/fuzz/corpus/$target"
  # The first folder takes new inputs; the seeds stay as they are.
  (cd build/fuzz/crashes && "$top/build/fuzz/fuzz/$target" "${run[@]}" -max_len=4096 -timeout=20 \
    -rss_limit_mb=2048 -print_final_stats=1 "$top/build/fuzz/corpus/$target" "$top/fuzz/corpus/$target" \
    2>"$top/build/fuzz/$target.log") || {
    tail -40 "build/fuzz/$target.log"
    echo "$target failed: the input is in build/fuzz/crashes/" >&2
    exit 1
  }
  grep -E '^stat::number_of_executed_units|^Done' "build/fuzz/$target.log" || true
  rm -rf "$KESTROVE_FUZZ_SCRATCH"
done

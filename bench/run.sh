#!/usr/bin/env bash
# Builds the benchmarks optimised and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTROVE_TESTS=OFF >/dev/null
ninja -C build/release tree_build_bench report_bench treemap_bench compare_bench
echo "== size tree build (200 000 files, 2 000 folders)"
build/release/bench/tree_build_bench
echo "== reports on a subtree of 1 000 000 files"
build/release/bench/report_bench
echo "== treemap of a subtree of 1 000 000 files at 1280x800"
build/release/bench/treemap_bench
echo "== comparing two trees of 1 000 000 files, 1% changed"
build/release/bench/compare_bench

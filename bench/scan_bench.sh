#!/usr/bin/env bash
# Times a scan by kestrove-cli against du -s on the same generated tree (page
# cache warm) and measures the scan's peak memory per file.
#   bench/scan_bench.sh [TREE_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
tree=${1:-${TMPDIR:-/tmp}/kestrove-bench-tree}
files=200000
runs=${RUNS:-5}

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTROVE_TESTS=OFF >/dev/null
ninja -C build/release kestrove-cli >/dev/null
cli=$PWD/build/release/src/kestrove-cli

echo "== generating $files files in 2000 folders under $tree (once)"
python3 bench/make_tree.py "$tree" "$files" 2000

# The stored filter of the user must not change what is recorded.
config=$(mktemp -d)
empty=$(mktemp -d)
trap 'rm -rf "$config" "$empty"' EXIT
export XDG_CONFIG_HOME=$config

du -s "$tree" >/dev/null; du -s "$tree" >/dev/null  # warm the page cache
"$cli" --scan "$tree" >/dev/null

seconds() { /usr/bin/time -f "%e" "$@" 2>&1 >/dev/null | tail -n 1; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

cli_times=(); du_times=()
for _ in $(seq $runs); do
  cli_times+=("$(seconds "$cli" --scan "$tree")")
  du_times+=("$(seconds du -s "$tree")")
done
cli_s=$(printf '%s\n' "${cli_times[@]}" | median)
du_s=$(printf '%s\n' "${du_times[@]}" | median)
echo "kestrove-cli --scan: ${cli_s} s (median of $runs: ${cli_times[*]})"
echo "du -s:               ${du_s} s (median of $runs: ${du_times[*]})"
awk -v a="$cli_s" -v b="$du_s" 'BEGIN { if (b > 0) printf "ratio:               %.2f (target: at most 1.0)\n", a / b }'

peak() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ {print $2}'; }
full_kb=$(peak "$cli" --scan "$tree")
empty_kb=$(peak "$cli" --scan "$empty")
recorded=$("$cli" --scan "$tree" --stats 2>&1 | sed -n 's/.*files \([0-9]*\),.*/\1/p')
echo "peak memory:         ${full_kb} KiB scanning, ${empty_kb} KiB for an empty folder, ${recorded} files"
awk -v f="$full_kb" -v e="$empty_kb" -v n="$recorded" \
  'BEGIN { printf "memory per file:     %.1f bytes (target: at most 160)\n", (f - e) * 1024 / n }'

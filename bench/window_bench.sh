#!/usr/bin/env bash
# The scan in the main window against kestrove-cli --scan on the same generated
# trees (200 000 and 1 000 000 files, page cache warm), and the longest
# event-loop stall of the window meanwhile.
#   bench/window_bench.sh [TREE_FOLDER]      RUNS=3 by default; SIZES="200000" for one tree
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-${TMPDIR:-/tmp}/kestrove-bench}
runs=${RUNS:-3}
build=${BUILD_DIR:-build/release}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTROVE_TESTS=OFF >/dev/null
ninja -C "$build" kestrove-cli window_bench >/dev/null
cli=$PWD/$build/src/kestrove-cli
bench=$PWD/$build/bench/window_bench

# The stored filter of the user must not change what is recorded.
config=$(mktemp -d)
log=$(mktemp)
trap 'rm -rf "$config" "$log"' EXIT
export XDG_CONFIG_HOME=$config
export QT_QPA_PLATFORM=offscreen

seconds() { /usr/bin/time -f "%e" "$@" 2>&1 >/dev/null | tail -n 1; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
field() { sed -n "s/^$1: *\([0-9.]*\).*/\1/p" "$log"; }

for files in ${SIZES:-200000 1000000}; do
folders=$((files / 100))
tree=$base/t$files
echo "== $files files in $folders folders under $tree (generated once)"
python3 bench/make_tree.py "$tree" "$files" "$folders"
du -s "$tree" >/dev/null; du -s "$tree" >/dev/null  # warm the page cache
"$cli" --scan "$tree" >/dev/null

cli_times=(); win_times=(); stalls=(); over50=(); over100=(); p99s=(); focus_times=(); focus_stalls=()
for i in $(seq "$runs"); do
  cli_times+=("$(seconds "$cli" --scan "$tree")")
  "$bench" "$tree" >"$log" 2>/dev/null
  win_times+=("$(field "scan wall time")")
  stalls+=("$(field "longest stall")")
  over50+=("$(field "stalls over 50 ms")")
  over100+=("$(field "stalls over 100 ms")")
  p99s+=("$(field "99th percentile gap")")
  echo "-- window run $i"
  cat "$log"
  # Also with the scanned folder focused and open, as a user watching it would have it.
  "$bench" --focus "$tree" >"$log" 2>/dev/null
  focus_times+=("$(field "scan wall time")")
  focus_stalls+=("$(field "longest stall")")
  echo "-- window run $i, focused"
  cat "$log"
done

cli_s=$(printf '%s\n' "${cli_times[@]}" | median)
win_s=$(printf '%s\n' "${win_times[@]}" | median)
stall=$(printf '%s\n' "${stalls[@]}" | median)
worst=$(printf '%s\n' "${stalls[@]}" | sort -n | tail -n 1)
echo "== $files files: medians of $runs runs"
echo "kestrove-cli --scan:  ${cli_s} s (${cli_times[*]})"
echo "window scan:          ${win_s} s (${win_times[*]})"
awk -v a="$win_s" -v b="$cli_s" 'BEGIN { if (b > 0) printf "ratio window/cli:     %.2f (target: at most 1.2)\n", a / b }'
echo "longest stall:        ${stall} ms median, ${worst} ms worst (${stalls[*]}; target: none over 50 ms)"
echo "stalls over 50 ms:    ${over50[*]}"
echo "stalls over 100 ms:   ${over100[*]}"
echo "99th percentile gap:  ${p99s[*]} ms"
focus_s=$(printf '%s\n' "${focus_times[@]}" | median)
echo "focused and open:     ${focus_s} s median (${focus_times[*]}), longest stalls ${focus_stalls[*]} ms"
done

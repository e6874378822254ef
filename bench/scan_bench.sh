#!/usr/bin/env bash
# Times a scan by kestrove-cli (one reader, and the default readers) against
# du -s, ncdu and gdu on two generated trees, page cache warm, all in one run:
# the commands alternate, and each figure is the median of its runs. Then the
# scan's peak memory per recorded file.
#   bench/scan_bench.sh [TREE_FOLDER]      RUNS=5 by default
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-${TMPDIR:-/tmp}/kestrove-bench}
runs=${RUNS:-5}
build=${BUILD_DIR:-build/release}

for tool in du ncdu gdu; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/setup.sh" >&2; exit 2; }
done
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTROVE_TESTS=OFF >/dev/null
ninja -C "$build" kestrove-cli >/dev/null
cli=$PWD/$build/src/kestrove-cli

# The stored filter of the user must not change what is recorded.
config=$(mktemp -d)
empty=$(mktemp -d)
trap 'rm -rf "$config" "$empty"' EXIT
export XDG_CONFIG_HOME=$config

seconds() { /usr/bin/time -f "%e" "$@" 2>&1 >/dev/null | tail -n 1; }
median() { tr ' ' '\n' | sort -n | awk 'NF {a[++n]=$1} END {print a[int((n+1)/2)]}'; }
peak() { /usr/bin/time -f "%M" "$@" 2>&1 >/dev/null | tail -n 1; }

names=("du -s" "ncdu -0 -o /dev/null" "gdu -n -p -c" "kestrove-cli --threads 1" "kestrove-cli (default)")
command_of() {  # index tree: sets cmd
  case $1 in
    0) cmd=(du -s "$2") ;;
    1) cmd=(ncdu -0 -o /dev/null "$2") ;;
    2) cmd=(gdu -n -p -c "$2") ;;
    3) cmd=("$cli" --scan "$2" --threads 1) ;;
    4) cmd=("$cli" --scan "$2") ;;
  esac
}

table=()
for size in "200000 2000" "1000000 10000"; do
  read -r files folders <<<"$size"
  tree=$base/t$files
  echo "== $files files in $folders folders under $tree (generated once)"
  python3 bench/make_tree.py "$tree" "$files" "$folders"
  for i in 0 1 2 3 4; do command_of "$i" "$tree"; "${cmd[@]}" >/dev/null 2>&1; done  # warm the page cache
  declare -a times=("" "" "" "" "")
  for _ in $(seq "$runs"); do
    for i in 0 1 2 3 4; do
      command_of "$i" "$tree"
      times[i]+=" $(seconds "${cmd[@]}")"
    done
  done
  du_s=$(echo "${times[0]}" | median)
  row="| $files files, $folders folders"
  for i in 0 1 2 3 4; do
    m=$(echo "${times[i]}" | median)
    ratio=$(awk -v a="$m" -v b="$du_s" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    printf '%-26s %6s s  %5s × du   (runs:%s)\n' "${names[i]}" "$m" "$ratio" "${times[i]}"
    row+=" | $m s ($ratio)"
  done
  full_kb=$(peak "$cli" --scan "$tree")
  empty_kb=$(peak "$cli" --scan "$empty")
  recorded=$("$cli" --scan "$tree" --stats 2>&1 | sed -n 's/.*files \([0-9]*\),.*/\1/p')
  per_file=$(awk -v f="$full_kb" -v e="$empty_kb" -v n="$recorded" 'BEGIN { printf "%.1f", (f - e) * 1024 / n }')
  echo "peak memory: ${full_kb} KiB scanning, ${empty_kb} KiB for an empty folder, ${recorded} files:" \
    "${per_file} bytes per file"
  table+=("$row | $per_file |")
done

echo
echo "== medians of $runs runs, 2 cores ($(nproc) here), page cache warm; in brackets the ratio to du -s"
echo "| tree | ${names[0]} | ${names[1]} | ${names[2]} | ${names[3]} | ${names[4]} | bytes per file |"
echo "|---|---|---|---|---|---|---|"
printf '%s\n' "${table[@]}"

#!/usr/bin/env bash
# Times a scan by kestrove-cli (one reader, and the default readers) against
# du -s, ncdu, gdu and the bare walker (bare_walk: the least a scanner recording
# size, owner and times must do) on two generated trees, all in one run: the
# commands alternate, and each figure is the median of its runs. Each scanner's
# ratio is to the bare walker on the same number of threads. Then the scan's
# peak memory per recorded file, and the import of the scan's result file.
#   bench/scan_bench.sh [--cold] [TREE_FOLDER]      RUNS=5 by default; SIZES="200000" for one tree
# --cold drops the page cache before every run (needs root).
set -euo pipefail
cd "$(dirname "$0")/.."
cold=0
if [ "${1:-}" = "--cold" ]; then cold=1; shift; fi
base=${1:-${TMPDIR:-/tmp}/kestrove-bench}
runs=${RUNS:-5}
build=${BUILD_DIR:-build/release}

for tool in du ncdu gdu; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/setup.sh" >&2; exit 2; }
done
if [ "$cold" = 1 ]; then
  if ! { sync && echo 3 >/proc/sys/vm/drop_caches; } 2>/dev/null; then
    echo "--cold: cannot write /proc/sys/vm/drop_caches here (needs root and a writable /proc/sys): skipped" >&2
    exit 0
  fi
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTROVE_TESTS=OFF >/dev/null
ninja -C "$build" kestrove-cli bare_walk >/dev/null
cli=$PWD/$build/src/kestrove-cli
bare=$PWD/$build/bench/bare_walk
# kestrove-cli's default reader count: the hardware threads, at least 2, at most 8.
readers=$(nproc); [ "$readers" -lt 2 ] && readers=2; [ "$readers" -gt 8 ] && readers=8

# The stored filter of the user must not change what is recorded.
config=$(mktemp -d)
empty=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$config" "$empty" "$work"' EXIT
export XDG_CONFIG_HOME=$config

drop() { [ "$cold" = 1 ] && sync && echo 3 >/proc/sys/vm/drop_caches; return 0; }
seconds() { drop; /usr/bin/time -f "%e" "$@" 2>&1 >/dev/null | tail -n 1; }
median() { tr ' ' '\n' | sort -n | awk 'NF {a[++n]=$1} END {print a[int((n+1)/2)]}'; }
peak() { /usr/bin/time -f "%M" "$@" 2>&1 >/dev/null | tail -n 1; }

# Name, and the index of the bare walker it is compared with (same threads).
names=("du -s" "ncdu -0 -o /dev/null" "gdu -n -p -c" "kestrove-cli --threads 1"
       "kestrove-cli --threads $readers" "bare_walk --threads 1" "bare_walk --threads $readers")
floor_of=(5 5 6 5 6 5 6)
count=${#names[@]}
command_of() {  # index tree: sets cmd
  case $1 in
    0) cmd=(du -s "$2") ;;
    1) cmd=(ncdu -0 -o /dev/null "$2") ;;
    2) cmd=(gdu -n -p -c "$2") ;;
    3) cmd=("$cli" --scan "$2" --threads 1) ;;
    4) cmd=("$cli" --scan "$2" --threads "$readers") ;;
    5) cmd=("$bare" --threads 1 "$2") ;;
    6) cmd=("$bare" --threads "$readers" "$2") ;;
  esac
}

table=()
for files in ${SIZES:-200000 1000000}; do
  folders=$((files / 100))
  tree=$base/t$files
  echo "== $files files in $folders folders under $tree (generated once)"
  python3 bench/make_tree.py "$tree" "$files" "$folders"
  if [ "$cold" = 0 ]; then
    for ((i = 0; i < count; i++)); do command_of "$i" "$tree"; "${cmd[@]}" >/dev/null 2>&1; done  # warm the page cache
  fi
  times=()
  for ((i = 0; i < count; i++)); do times+=(""); done
  for _ in $(seq "$runs"); do
    for ((i = 0; i < count; i++)); do
      command_of "$i" "$tree"
      times[i]+=" $(seconds "${cmd[@]}")"
    done
  done
  meds=()
  for ((i = 0; i < count; i++)); do meds+=("$(echo "${times[i]}" | median)"); done
  row="| $files files, $folders folders"
  for ((i = 0; i < count; i++)); do
    ratio=$(awk -v a="${meds[i]}" -v b="${meds[${floor_of[i]}]}" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    printf '%-28s %6s s  %5s × floor   (runs:%s)\n' "${names[i]}" "${meds[i]}" "$ratio" "${times[i]}"
    row+=" | ${meds[i]} s ($ratio)"
  done

  full_kb=$(peak "$cli" --scan "$tree")
  empty_kb=$(peak "$cli" --scan "$empty")
  recorded=$("$cli" --scan "$tree" --stats 2>&1 | sed -n 's/.*files \([0-9]*\),.*/\1/p')
  per_file=$(awk -v f="$full_kb" -v e="$empty_kb" -v n="$recorded" 'BEGIN { printf "%.1f", (f - e) * 1024 / n }')
  echo "peak memory: ${full_kb} KiB scanning, ${empty_kb} KiB for an empty folder, ${recorded} files:" \
    "${per_file} bytes per file"

  # Import of the scan's result file against the scan (default readers).
  "$cli" --scan "$tree" --export "$work/scan.kes" >/dev/null
  imports=""
  for _ in $(seq "$runs"); do imports+=" $(seconds "$cli" --import "$work/scan.kes")"; done
  import_s=$(echo "$imports" | median)
  share=$(awk -v a="$import_s" -v b="${meds[4]}" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  echo "import of the result file:   ${import_s} s, ${share} of the scan   (runs:${imports})"
  table+=("$row | $per_file | $import_s s ($share) |")
done

echo
state=warm; [ "$cold" = 1 ] && state="cold (dropped before every run)"
echo "== medians of $runs runs, $(nproc) cores (shared machine), page cache $state;" \
  "in brackets the ratio to bare_walk on the same threads (1, or $readers for gdu and kestrove-cli --threads $readers)"
header="| tree"; sep="|---"
for ((i = 0; i < count; i++)); do header+=" | ${names[i]}"; sep+="|---"; done
echo "$header | bytes per file | import (share of scan) |"
echo "$sep|---|---|"
printf '%s\n' "${table[@]}"

#!/usr/bin/env bash
# Times reading and writing ncdu JSON against a scan of the same tree:
# kestrove-cli --import of ncdu's export of the tree, and --export-ncdu of the
# imported tree, each against kestrove-cli --scan (medians, page cache warm).
#   bench/ncdu_bench.sh [TREE_FOLDER] [FILES FOLDERS]   RUNS=5 by default
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-${TMPDIR:-/tmp}/kestrove-bench}
files=${2:-1000000}
folders=${3:-10000}
runs=${RUNS:-5}
build=${BUILD_DIR:-build/release}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTROVE_TESTS=OFF >/dev/null
ninja -C "$build" kestrove-cli >/dev/null
cli=$PWD/$build/src/kestrove-cli
config=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$config" "$work"' EXIT
export XDG_CONFIG_HOME=$config

tree=$base/t$files
python3 bench/make_tree.py "$tree" "$files" "$folders"
ncdu -0 -o "$work/tree.json" "$tree"
zstd -q "$work/tree.json" -o "$work/tree.json.zst"
echo "ncdu JSON: $(stat -c %s "$work/tree.json") bytes, zstd $(stat -c %s "$work/tree.json.zst") bytes"

. bench/timing.sh
names=("scan" "import ncdu JSON" "import ncdu JSON (zstd)" "import and export ncdu JSON")
command_of() {
  case $1 in
    0) cmd=("$cli" --scan "$tree") ;;
    1) cmd=("$cli" --import "$work/tree.json") ;;
    2) cmd=("$cli" --import "$work/tree.json.zst") ;;
    3) cmd=("$cli" --import "$work/tree.json" --export-ncdu "$work/out.json") ;;
  esac
}
time_alternated 4 30 scan
awk -v a="$(echo "${times[3]}" | median)" -v b="$(echo "${times[1]}" | median)" -v s="$base" \
  'BEGIN { printf "export alone (import+export less import): %.2f s, %.2f x scan\n", a - b, (a - b) / s }'

#!/usr/bin/env bash
# Checks that every include in src/ points down the layers (or across its own
# folder), naming each file and include that runs up. Needs no build:
#   scripts/check-layers.sh
set -euo pipefail
cd "$(dirname "$0")/.."

# Bottom up: a folder may include its own headers and those of folders before
# it. The two front ends stand side by side: neither uses the other.
layers="platform settings model scan reports treemap export app ui=cli"

find src -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z |
  xargs -0 grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' /dev/null |
  awk -v layers="$layers" '
    BEGIN {
      n = split(layers, order, " ")
      for (i = 1; i <= n; ++i) {
        m = split(order[i], same, "=")
        for (j = 1; j <= m; ++j) rank[same[j]] = i
      }
    }
    {
      # src/FOLDER/...:LINE:#include "TARGET/..."
      split($0, part, ":")
      file = part[1]; line = part[2]
      split(file, path, "/"); folder = path[2]
      include = $0; sub(/^[^"]*"/, "", include); sub(/".*$/, "", include)
      target = include; sub(/\/.*$/, "", target)
      if (!(folder in rank)) { print file ": src/" folder " is no known layer (add it to scripts/check-layers.sh)"; bad = 1; next }
      if (target == include || target == "..") { print file ":" line ": \"" include "\" names no layer folder (write it as \"folder/Header.h\")"; bad = 1; next }
      if (!(target in rank)) { print file ":" line ": \"" include "\" is in no known layer"; bad = 1; next }
      if (target != folder && rank[target] >= rank[folder]) { print file ":" line ": \"" include "\" runs up from " folder "/ to " target "/"; bad = 1 }
    }
    END { exit bad }' || {
  echo "includes run up the layers (bottom up: $layers)" >&2
  exit 1
}
echo "layers: every include in src/ points down"

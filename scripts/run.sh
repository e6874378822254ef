#!/usr/bin/env bash
# Builds Kestrove (optimised) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTROVE_TESTS=OFF >/dev/null
cmake --build build/release --target kestrove
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "There is no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)."
  echo "Start it on a virtual display instead:"
  echo "    xvfb-run -a -s \"-screen 0 1280x800x24\" build/release/src/kestrove"
  exit 1
fi
exec build/release/src/kestrove

#!/usr/bin/env bash
# Installs every Debian package Kestrove needs to build, test and run.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build ccache pkg-config
  # core
  libicu-dev libgtest-dev googletest libzstd-dev
  # user interface
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core adwaita-icon-theme
  # the Windows check: cross compiler and Wine
  g++-mingw-w64-x86-64-posix wine64
  # fuzzing the readers of outside input (libFuzzer comes with clang's runtime)
  clang libclang-rt-14-dev
  # benchmarks and looking at the window without a display
  time xvfb xauth imagemagick
  # the other disk analysers the scan benchmark compares with
  ncdu gdu
  # the Windows package and the check that its window appears under Wine
  zip x11-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"

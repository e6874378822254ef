#!/usr/bin/env bash
# Installs every Debian package Kestrove needs to build, test and run.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build ccache pkg-config
  # core
  libicu-dev libgtest-dev googletest
  # compressed result files and imports
  zlib1g-dev libzstd-dev zstd
  # the command line's treemap pictures
  libpng-dev
  # user interface
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core adwaita-icon-theme libxcb1-dev
  # the Windows check: cross compiler and Wine
  g++-mingw-w64-x86-64-posix wine64
  # fuzzing the readers of outside input (libFuzzer comes with clang's runtime)
  clang libclang-rt-14-dev
  # benchmarks and looking at the window without a display
  time xvfb xauth imagemagick
  # the other disk analysers the scan benchmark compares with
  ncdu gdu
  # scans over SSH: the client, and the server the SSH tests start on a free port
  openssh-client openssh-server
  # the Windows build's zlib (libzstd is cross-built from its Debian source by scripts/mingw-zstd.sh)
  libz-mingw-w64-dev
  # the Windows package and the check that its window appears under Wine
  zip x11-utils
  # packages: the icon rendered from SVG, the .deb and its checks, the MSI
  librsvg2-bin icoutils dpkg-dev fakeroot lintian desktop-file-utils appstream msitools wixl
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

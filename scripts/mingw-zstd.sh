#!/usr/bin/env bash
# Debian ships no MinGW libzstd, so the Windows build gets a static one cross-built
# from Debian's own libzstd source package, once per machine, cached beside the
# MinGW Qt under ~/.cache/kestrove/ keyed by version, options and toolchain.
# Prints the install prefix (for -DKESTROVE_ZSTD_PREFIX) on standard output.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
toolchain="$top/cmake/mingw-w64.cmake"
options=(
  -DCMAKE_BUILD_TYPE=Release -DZSTD_BUILD_SHARED=OFF -DZSTD_BUILD_STATIC=ON
  -DZSTD_BUILD_PROGRAMS=OFF -DZSTD_BUILD_TESTS=OFF -DZSTD_BUILD_CONTRIB=OFF
  # One thread and no legacy formats: only our own files and ncdu's are read.
  -DZSTD_MULTITHREAD_SUPPORT=OFF -DZSTD_LEGACY_SUPPORT=OFF
)
version=$(dpkg-query -W -f='${Version}' libzstd-dev 2>/dev/null | sed 's/[^A-Za-z0-9.+~-]/_/g')
[ -n "$version" ] || { echo "libzstd-dev is not installed (scripts/setup.sh)" >&2; exit 1; }
key=$( (printf '%s\n' "${options[@]}"; cat "$toolchain") | sha256sum | cut -c1-12)
cache_root=${KESTROVE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kestrove}
prefix="$cache_root/zstd-mingw-$version-$key"

if [ ! -f "$prefix/.complete" ]; then
  echo "== libzstd $version for MinGW-w64 (once; cached in $prefix)" >&2
  scripts/deb-src.sh >&2
  work="$prefix.work"
  rm -rf "$work" "$prefix"
  mkdir -p "$work"
  # The source of the very version installed, so Linux and Windows read the same files.
  (cd "$work" && apt-get source -q "libzstd=${version//_/:}" >/dev/null 2>&1 || apt-get source -q libzstd >/dev/null)
  src=$(find "$work" -maxdepth 1 -type d -name 'libzstd-*' | head -n1)
  [ -n "$src" ] || { echo "the libzstd source package was not unpacked" >&2; exit 1; }
  cmake -G Ninja -S "$src/build/cmake" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >"$work/configure.log"
  ninja -C "$work/build" -j "$(nproc)" >"$work/build.log" || { tail -n 40 "$work/build.log" >&2; exit 1; }
  ninja -C "$work/build" install >/dev/null
  touch "$prefix/.complete"
  rm -rf "$work"
fi
echo "$prefix"

#!/usr/bin/env bash
# Cross-builds Kestrove for 64-bit Windows:
#   1. Qt (qtbase, from Debian's own source package) for MinGW-w64, once per machine,
#      cached outside the source tree under ~/.cache/kestrove/ keyed by version and options;
#   2. kestrove.exe and kestrove-cli.exe against it;
#   3. dist/windows/: both programs, Language/, the Qt and MinGW DLLs, and a zip of it all
#      (dist/Kestrove-<version>-windows-x64.zip, unpacking into Kestrove-<version>\).
# Qt is linked as shared DLLs beside the programs, which meets the LGPL simply:
# a user can swap in a Qt of their own.
#
#   scripts/build-windows.sh [--qt-only] [--with-tests] [--build-type Release|Debug]
# --with-tests also builds the window tests (build/windows/tests/kestrove_ui_tests.exe),
# run under Wine by scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
jobs=$(nproc)
qt_only=0
targets=(kestrove kestrove-cli)
build_type=Release
while [ $# -gt 0 ]; do
  case "$1" in
    --qt-only) qt_only=1 ;;
    --with-tests) targets+=(kestrove_ui_tests) ;;
    --build-type) build_type=$2; shift ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
  shift
done

scripts/setup.sh

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi

qt_version=6.4.2
toolchain="$top/cmake/mingw-w64.cmake"
qt_options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF
  -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_androiddeployqt=OFF -DFEATURE_windeployqt=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_zstd=OFF -DFEATURE_pkg_config=OFF
)
# The cache key covers the options and the toolchain file, so a change builds a new Qt.
qt_key=$( (printf '%s\n' "${qt_options[@]}"; cat "$toolchain") | sha256sum | cut -c1-12)
cache_root=${KESTROVE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kestrove}
qt_prefix="$cache_root/qt6-mingw-$qt_version-$qt_key"

if [ ! -f "$qt_prefix/.complete" ]; then
  echo "== Qt $qt_version for MinGW-w64 (once; cached in $qt_prefix)"
  # Source packages come from the archive and suite this machine already uses.
  src_list=/etc/apt/sources.list.d/kestrove-src.sources
  if ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
    uris=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
    : "${uris:=http://deb.debian.org/debian}"
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$uris" "$codename" | "${as_root[@]}" tee "$src_list" >/dev/null
    "${as_root[@]}" apt-get update -q
  fi
  work="$cache_root/qt6-mingw-$qt_version-$qt_key.work"
  rm -rf "$work"
  mkdir -p "$work"
  (cd "$work" && apt-get source -q qt6-base >/dev/null)
  qt_src=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)
  [ -n "$qt_src" ] || { echo "the qt6-base source package was not unpacked" >&2; exit 1; }
  cmake -G Ninja -S "$qt_src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$qt_prefix" "${qt_options[@]}" >"$work/configure.log"
  ninja -C "$work/build" -j "$jobs" >"$work/build.log" || { tail -n 40 "$work/build.log" >&2; exit 1; }
  ninja -C "$work/build" install >/dev/null
  touch "$qt_prefix/.complete"
  rm -rf "$work"
fi
[ "$qt_only" -eq 1 ] && exit 0

echo "== kestrove.exe and kestrove-cli.exe ($build_type)"
build="$top/build/windows"
# Qt's own toolchain file finds the cross-built Qt and the host tools (moc, uic,
# rcc) of the native Qt, then hands over to our MinGW toolchain.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DKESTROVE_WERROR=ON \
  -DKESTROVE_TESTS=ON -DKESTROVE_BENCH=OFF -DKESTROVE_STATIC_RUNTIME=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$qt_prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" >/dev/null
ninja -C "$build" -j "$jobs" "${targets[@]}"

echo "== dist/windows"
dist="$top/dist/windows"
rm -rf "$dist"
mkdir -p "$dist/platforms" "$dist/styles" "$dist/Language"
cp "$build/src/kestrove.exe" "$build/src/kestrove-cli.exe" "$dist/"
cp "$top"/lang/*.kvl "$dist/Language/"
for dll in Qt6Core Qt6Gui Qt6Widgets; do cp "$qt_prefix/bin/$dll.dll" "$dist/"; done
cp "$qt_prefix/plugins/platforms/qwindows.dll" "$dist/platforms/"
cp "$qt_prefix"/plugins/styles/*.dll "$dist/styles/" 2>/dev/null || rmdir "$dist/styles"
# The MinGW runtime the programs and Qt share.
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
cp "$gcc_dir/libstdc++-6.dll" "$gcc_dir/libgcc_s_seh-1.dll" /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$dist/"
x86_64-w64-mingw32-strip --strip-unneeded "$dist"/*.exe "$dist"/*.dll "$dist"/*/*.dll
cp "$top/docs/windows/README.txt" "$dist/" 2>/dev/null || true
# The zip unpacks into a folder named for the version.
version=$(sed -n 's/^project(Kestrove VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
zip_name="Kestrove-$version-windows-x64.zip"
stage="$top/build/package/zip"
rm -rf "$stage" "$top/dist/$zip_name"
mkdir -p "$stage"
cp -r "$dist" "$stage/Kestrove-$version"
(cd "$stage" && zip -q -r "$top/dist/$zip_name" "Kestrove-$version")
rm -rf "$stage"
echo "dist/windows and dist/$zip_name are ready"

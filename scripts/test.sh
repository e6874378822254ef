#!/usr/bin/env bash
# Installs what is needed, checks that includes point down the layers, builds
# and runs every test:
#   1. the native tests with AddressSanitizer and UndefinedBehaviorSanitizer,
#   2. the threaded tests again under ThreadSanitizer,
#   3. the Windows check: core and Win32 layer cross-built with MinGW-w64, run under Wine;
#   4. the Windows programs (scripts/build-windows.sh, Qt for MinGW built once and cached)
#      under Wine: the window tests, the command line on a generated tree, and the window
#      on a virtual display;
#   5. the packages (scripts/package.sh): the .deb checked by lintian and run from a scratch
#      root, the exe resources read back, the MSI installed and removed under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
jobs=$(nproc)

scripts/setup.sh

echo "== layers"
scripts/check-layers.sh

echo "== native tests (ASan + UBSan)"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTROVE_WERROR=ON \
  -DKESTROVE_SANITIZE="address;undefined" >/dev/null
ninja -C build/test -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/test --output-on-failure -j "$jobs" --timeout 300

echo "== fuzz targets, a short fixed run each"
scripts/fuzz.sh --runs 20000

echo "== threaded tests (TSan)"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTROVE_WERROR=ON \
  -DKESTROVE_SANITIZE=thread -DKESTROVE_BENCH=OFF >/dev/null
ninja -C build/tsan -j "$jobs" kestrove_tests
# TSan needs a fixed address layout on kernels with high mmap randomisation.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" setarch "$(uname -m)" -R \
  build/tsan/tests/kestrove_tests --gtest_filter='*Concurrent*:UiCallQueue*:FolderSearch*:SshScanJob*' --gtest_brief=1

echo "== Windows check (MinGW-w64 + Wine)"
zstd_prefix=$(scripts/mingw-zstd.sh)
cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTROVE_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" -DKESTROVE_ZSTD_PREFIX="$zstd_prefix" >/dev/null
ninja -C build/win64 -j "$jobs" kestrove_tests
# Wine needs a UTF-8 host locale for non-ASCII file names.
export WINEPREFIX="$top/build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8
if [ ! -d "$WINEPREFIX" ]; then
  /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w || true
fi
ctest --test-dir build/win64 --output-on-failure --timeout 600
/usr/lib/wine/wineserver -k 2>/dev/null || true

echo "== Windows programs and window tests under Wine"
scripts/build-windows.sh --with-tests
ctest --test-dir build/windows -R kestrove_ui_tests --output-on-failure --timeout 900
tests/windows/wine_check.sh "$top/build/windows/window-under-wine.png"

echo "== packages: the .deb, the zip and the MSI built, installed, run and removed"
tests/packaging/check.sh

echo "== all tests passed"

#!/usr/bin/env bash
# Builds the packages users install, into dist/:
#   kestrove_<version>_amd64.deb       Debian 12 and later (dpkg-deb, dependencies from dpkg-shlibdeps)
#   Kestrove-<version>-windows-x64.zip the Windows programs, unpacking into Kestrove-<version>\
#   Kestrove-<version>-x64.msi         the Windows installer (wixl from msitools)
#   winget/                            the winget manifest of that MSI
# The version is the project version in CMakeLists.txt.
#
#   scripts/package.sh [--deb-only | --windows-only]
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
deb=1
windows=1
case "${1:-}" in
  --deb-only) windows=0 ;;
  --windows-only) deb=0 ;;
  "") ;;
  *) echo "unknown option: $1" >&2; exit 2 ;;
esac

scripts/setup.sh
version=$(sed -n 's/^project(Kestrove VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no project version in CMakeLists.txt" >&2; exit 1; }
mkdir -p dist

if [ "$deb" -eq 1 ]; then
  echo "== kestrove_${version}_amd64.deb"
  # The same optimised build as scripts/run.sh, so the two share it.
  build="$top/build/release"
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTROVE_TESTS=OFF >/dev/null
  ninja -C "$build" kestrove kestrove-cli kestrove_icons >/dev/null

  root="$top/build/package/deb"
  rm -rf "$root"
  install -d "$root/DEBIAN" "$root/usr/bin" "$root/usr/share/kestrove/Language" \
    "$root/usr/share/applications" "$root/usr/share/metainfo" "$root/usr/share/man/man1" \
    "$root/usr/share/bash-completion/completions" "$root/usr/share/doc/kestrove"
  install -m 755 "$build/src/kestrove" "$build/src/kestrove-cli" "$root/usr/bin/"
  strip --strip-unneeded --remove-section=.comment --remove-section=.note "$root"/usr/bin/*
  install -m 644 lang/*.kvl "$root/usr/share/kestrove/Language/"
  install -m 644 packaging/linux/de.varnholt.Kestrove.desktop "$root/usr/share/applications/"
  sed "s/@VERSION@/$version/" packaging/linux/de.varnholt.Kestrove.metainfo.xml.in \
    >"$root/usr/share/metainfo/de.varnholt.Kestrove.metainfo.xml"
  for size in 16 24 32 48 64 128 256; do
    install -D -m 644 "$build/icons/kestrove-$size.png" "$root/usr/share/icons/hicolor/${size}x$size/apps/kestrove.png"
  done
  install -D -m 644 packaging/icons/kestrove.svg "$root/usr/share/icons/hicolor/scalable/apps/kestrove.svg"
  for page in kestrove kestrove-cli; do
    sed "s/@VERSION@/$version/" "packaging/linux/$page.1.in" | gzip -9n >"$root/usr/share/man/man1/$page.1.gz"
  done
  install -m 644 packaging/linux/kestrove-cli.bash-completion "$root/usr/share/bash-completion/completions/kestrove-cli"
  install -m 644 packaging/linux/copyright "$root/usr/share/doc/kestrove/"
  sed "s/@VERSION@/$version/" packaging/linux/changelog.in | gzip -9n >"$root/usr/share/doc/kestrove/changelog.gz"
  chmod -R u=rwX,go=rX "$root"

  # dpkg-shlibdeps reads the package's name from a debian/control beside it.
  shlib="$top/build/package/shlibdeps"
  rm -rf "$shlib"
  mkdir -p "$shlib/debian"
  printf 'Source: kestrove\n\nPackage: kestrove\nArchitecture: amd64\n' >"$shlib/debian/control"
  depends=$(cd "$shlib" && dpkg-shlibdeps -O "$root/usr/bin/kestrove" "$root/usr/bin/kestrove-cli" |
    sed -n 's/^shlibs:Depends=//p')
  [ -n "$depends" ] || { echo "dpkg-shlibdeps found no dependencies" >&2; exit 1; }
  size=$(du -sk --exclude=DEBIAN "$root" | cut -f1)
  sed -e "s/@VERSION@/$version/" -e "s/@INSTALLED_SIZE@/$size/" -e "s/@DEPENDS@/$depends/" \
    packaging/linux/control.in >"$root/DEBIAN/control"
  (cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
  chmod 644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
  dpkg-deb --root-owner-group -Zxz --build "$root" "dist/kestrove_${version}_amd64.deb" >/dev/null
fi

if [ "$windows" -eq 1 ]; then
  # The programs, Language/ and DLLs in dist/windows, and the zip.
  scripts/build-windows.sh >/dev/null
  echo "== Kestrove-${version}-x64.msi"
  # wixl reads every source relative to where it runs: the files, their list
  # (wixl-heat) and the icon side by side in one folder.
  work="$top/build/package/msi"
  rm -rf "$work"
  mkdir -p "$work"
  ln -s "$top/dist/windows" "$work/files"
  cp build/windows/icons/kestrove.ico "$work/"
  (cd "$work" && find -L files | wixl-heat -p files/ --var var.SourceDir --directory-ref INSTALLDIR \
    --component-group ProgramFiles --win64 >files.wxs)
  msi="dist/Kestrove-${version}-x64.msi"
  (cd "$work" && wixl -a x64 -D Win64=yes -D Version="$version" -D SourceDir=files -D IconFile=kestrove.ico \
    -o "$top/$msi" "$top/packaging/windows/kestrove.wxs" files.wxs)

  # The winget manifest for this MSI, ready to submit when the project publishes.
  sha=$(sha256sum "$msi" | cut -d' ' -f1 | tr a-f A-F)
  rm -rf dist/winget
  mkdir -p dist/winget
  for f in packaging/winget/*.yaml; do
    sed -e "s/@VERSION@/$version/g" -e "s/@SHA256@/$sha/" "$f" >"dist/winget/$(basename "$f")"
  done
fi
ls -1 dist/*.deb dist/*.zip dist/*.msi 2>/dev/null || true

#!/usr/bin/env bash
# The packages of scripts/package.sh, installed and run as a user would:
#   the .deb: lintian, unpacked into a scratch root, its programs run there (the version,
#     a scan that reads the installed Language folder), its menu entry and AppStream file valid;
#   the Windows programs: icon, version and manifest read back from the exe files;
#   the zip: one folder Kestrove-<version>;
#   the MSI under Wine: installed silently, the installed kestrove-cli.exe run, uninstalled,
#     Program Files and the Start menu left clean.
# Run by scripts/test.sh after the Windows programs are built.
set -euo pipefail
cd "$(dirname "$0")/../.."
top=$PWD
version=$(sed -n 's/^project(Kestrove VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "packaging: $*" >&2; exit 1; }

scripts/package.sh >/dev/null
deb="dist/kestrove_${version}_amd64.deb"
zip="dist/Kestrove-${version}-windows-x64.zip"
msi="dist/Kestrove-${version}-x64.msi"
for f in "$deb" "$zip" "$msi"; do [ -s "$f" ] || fail "$f was not made"; done

echo "== the .deb"
lintian --fail-on error "$deb" >"$work/lintian.txt" 2>&1 ||
  { cat "$work/lintian.txt"; fail "lintian reports errors"; }
grep -q '^W:' "$work/lintian.txt" && sed -n '/^W:/p' "$work/lintian.txt"
grep -q "^Depends: .*libqt6widgets6" <(dpkg-deb -f "$deb") || fail "the .deb does not depend on Qt Widgets"

root="$work/root"
dpkg -x "$deb" "$root"
for path in usr/bin/kestrove usr/bin/kestrove-cli usr/share/kestrove/Language/English.kvl \
  usr/share/kestrove/Language/Deutsch.kvl usr/share/icons/hicolor/16x16/apps/kestrove.png \
  usr/share/icons/hicolor/256x256/apps/kestrove.png usr/share/icons/hicolor/scalable/apps/kestrove.svg \
  usr/share/man/man1/kestrove.1.gz usr/share/man/man1/kestrove-cli.1.gz \
  usr/share/bash-completion/completions/kestrove-cli; do
  [ -e "$root/$path" ] || fail "the .deb has no /$path"
done
[ "$("$root/usr/bin/kestrove-cli" --version)" = "kestrove-cli $version" ] || fail "kestrove-cli --version"
[ "$("$root/usr/bin/kestrove" --version)" = "kestrove $version" ] || fail "kestrove --version"

# A language file the program refuses names its path: proof of where it looked.
truncate -s 5M "$root/usr/share/kestrove/Language/Probe.kvl"
mkdir -p "$work/tree/sub" "$work/config"
head -c 3000 /dev/zero >"$work/tree/sub/a.bin"
XDG_CONFIG_HOME="$work/config" "$root/usr/bin/kestrove-cli" --scan "$work/tree" --stats \
  --report FilesInThisFolder --format csv --out "$work/report.csv" 2>"$work/scan.err" ||
  { cat "$work/scan.err"; fail "the installed kestrove-cli did not scan"; }
grep -q "/usr/bin/../share/kestrove/Language/Probe.kvl" "$work/scan.err" ||
  { cat "$work/scan.err"; fail "the installed kestrove-cli does not read /usr/share/kestrove/Language"; }
grep -q "files 1, bytes 3000," "$work/scan.err" || { cat "$work/scan.err"; fail "the scan's totals"; }
grep -q "sub" "$work/report.csv" || fail "the report names no folder"

desktop-file-validate "$root/usr/share/applications/de.varnholt.Kestrove.desktop"
appstreamcli validate --no-net --strict "$root/usr/share/metainfo/de.varnholt.Kestrove.metainfo.xml" >"$work/as.txt" ||
  { cat "$work/as.txt"; fail "AppStream metainfo"; }
for page in kestrove kestrove-cli; do
  MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null | { ! grep .; } ||
    fail "the man page $page(1) has faults"
done

echo "== the Windows programs"
for exe in kestrove kestrove-cli; do
  file="dist/windows/$exe.exe"
  types=$(wrestool -l "$file")
  for type in "--type=14" "--type=16" "--type=24"; do # icon group, version, manifest
    grep -q -- "$type" <<<"$types" || fail "$exe.exe has no resource $type"
  done
  # The icon holds the sizes from the small one of lists to the large one of Explorer.
  wrestool -x -t14 "$file" >"$work/$exe.ico"
  icons=$(icotool -l "$work/$exe.ico")
  for size in 16 32 48 256; do
    grep -q -- "--width=$size --height=$size" <<<"$icons" || fail "$exe.exe has no icon of $size pixels"
  done
  wrestool -x --raw -t16 "$file" | iconv -f UTF-16LE -t UTF-8 -c | tr -c '[:print:]' '\n' >"$work/$exe.version"
  grep -A2 -x "ProductVersion" "$work/$exe.version" | grep -qx "$version" ||
    fail "$exe.exe: its version is not $version"
  grep -A2 -x "OriginalFilename" "$work/$exe.version" | grep -qx "$exe.exe" || fail "$exe.exe: OriginalFilename"
  manifest=$(wrestool -x --raw -t24 "$file")
  for want in 'level="asInvoker"' '8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a' 'PerMonitorV2' \
    '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true' 'Microsoft.Windows.Common-Controls'; do
    grep -qF "$want" <<<"$manifest" || fail "$exe.exe: the manifest lacks $want"
  done
done
unzip -Z1 "$zip" | cut -d/ -f1 | sort -u | { read -r first; read -r more || true; [ "$first" = "Kestrove-$version" ] && [ -z "${more:-}" ]; } ||
  fail "the zip does not unpack into Kestrove-$version"

echo "== the MSI under Wine"
msiinfo export "$msi" Property | grep -qi "^UpgradeCode	{31E24AA8-8C8A-49B0-9CA1-0C4D7DB0CDF0}" ||
  fail "the MSI's upgrade code changed"
# The next version from the same files, to see it replace this one.
IFS=. read -r major minor patch <<<"$version"
next="$major.$minor.$((patch + 1))"
(cd build/package/msi && wixl -a x64 -D Win64=yes -D Version="$next" -D SourceDir=files -D IconFile=kestrove.ico \
  -o "$work/next.msi" "$top/packaging/windows/kestrove.wxs" files.wxs)

export WINEPREFIX="${WINEPREFIX:-$top/build/wineprefix}" WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
# No menu entries of Wine's own on this machine for the shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
if [ ! -d "$WINEPREFIX" ]; then
  "$wine" wineboot --init >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w || true
fi
drive_c="$WINEPREFIX/drive_c"
installed="$drive_c/Program Files/Kestrove"
windows_path() { echo "Z:${1//\//\\}"; }
shortcuts() { find "$drive_c/ProgramData" "$drive_c/users" -path '*Start Menu/Programs/Kestrove.lnk' 2>/dev/null; }
installed_versions() {
  "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
    awk '/DisplayName.*Kestrove/ {found = 1} found && /DisplayVersion/ {print $NF; found = 0}' | tr -d '\r'
}

"$wine" msiexec /i "$(windows_path "$top/$msi")" /qn || fail "msiexec /i failed"
[ -f "$installed/kestrove.exe" ] && [ -f "$installed/Language/English.kvl" ] && [ -f "$installed/Qt6Widgets.dll" ] ||
  fail "the MSI installed no program with its Language folder and DLLs"
[ -n "$(shortcuts)" ] || fail "the MSI made no Start menu shortcut"
[ "$(installed_versions)" = "$version" ] || fail "installed apps do not list Kestrove $version"
out=$("$wine" 'C:\Program Files\Kestrove\kestrove-cli.exe' --version | tr -d '\r')
[ "$out" = "kestrove-cli $version" ] || fail "the installed kestrove-cli.exe says '$out'"
"$wine" 'C:\Program Files\Kestrove\kestrove-cli.exe' --scan "$(windows_path "$work/tree")" --stats 2>"$work/wine.err" ||
  { cat "$work/wine.err"; fail "the installed kestrove-cli.exe did not scan"; }
grep -q "files 1, bytes 3000," "$work/wine.err" || { cat "$work/wine.err"; fail "the installed kestrove-cli.exe's totals"; }

"$wine" msiexec /i "$(windows_path "$work/next.msi")" /qn || fail "msiexec /i of the next version failed"
[ "$(installed_versions)" = "$next" ] || fail "the next version did not replace $version: $(installed_versions)"
"$wine" msiexec /x "$(windows_path "$work/next.msi")" /qn || fail "msiexec /x failed"
/usr/lib/wine/wineserver -w || true
[ ! -e "$installed" ] || { find "$installed"; fail "the uninstall left files in Program Files"; }
[ -z "$(shortcuts)" ] || fail "the uninstall left the Start menu shortcut"
[ -z "$(installed_versions)" ] || fail "installed apps still list Kestrove"
echo "packaging: the .deb, the zip and the MSI install, run and uninstall"

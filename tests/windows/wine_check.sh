#!/usr/bin/env bash
# The Windows programs of dist/windows, run under Wine:
#   - kestrove-cli.exe scans a generated tree on Wine's Z: drive; its totals must equal
#     those of the native program on the same tree, its top-level folder must be Z:,
#     and its result file must read back (also natively) and write again unchanged;
#   - result files and ncdu JSON, plain, gzip and zstd, read from a pipe (--import -);
#   - kestrove.exe starts on a virtual display and its main window appears with its title.
#
#   tests/windows/wine_check.sh [SCREENSHOT.png]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
dist="$top/dist/windows"
native_cli=$(realpath "${KESTROVE_NATIVE_CLI:-$top/build/test/src/kestrove-cli}")
screenshot=${1:-}
wine=/usr/lib/wine/wine64
export WINEPREFIX="${WINEPREFIX:-$top/build/wineprefix}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8 LC_ALL=C.UTF-8
if [ ! -d "$WINEPREFIX" ]; then
  "$wine" wineboot --init >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w || true
fi

work=$(mktemp -d)
trap 'rm -rf "$work"; /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
winpath() { echo "Z:${1//\//\\}"; }
# The totals of --stats without the seconds.
totals() { sed -n 's/^\(folders .*allocated [0-9]*\), seconds.*/\1/p' "$1"; }
# The same without the file counter, which an import leaves alone.
sizes() { totals "$1" | sed 's/ files [0-9]*,//'; }

# A tree with nested folders, an empty folder and file, a non-ASCII name, a
# name without extension and files of several clusters.
tree="$work/tree"
mkdir -p "$tree/Docs/Old" "$tree/Media/Übersicht" "$tree/empty"
head -c 5000 /dev/zero >"$tree/Docs/report.txt"
head -c 123 /dev/zero >"$tree/Docs/Old/notes.TXT"
head -c 70000 /dev/zero >"$tree/Media/clip.bin"
head -c 1 /dev/zero >"$tree/Media/Übersicht/Grüße.txt"
: >"$tree/Media/empty.dat"
head -c 4096 /dev/zero >"$tree/README"
# 26 bytes: the result file holds a Ctrl-Z byte, which ends text-mode input.
head -c 26 /dev/zero >"$tree/Docs/ctrl-z.bin"
wtree=$(winpath "$tree")

echo "-- kestrove-cli.exe scans $wtree"
cd "$work"
if ! "$wine" "$dist/kestrove-cli.exe" --scan "$wtree" --stats --export 'Z:'"${work//\//\\}"'\win.kvr' \
    --unit B --report FilesInThisFolder --format csv --out 'Z:'"${work//\//\\}"'\files.csv' \
    --tree-report csv --out 'Z:'"${work//\//\\}"'\tree.csv' 2>"$work/win.stats"; then
  cat "$work/win.stats" >&2
  fail "kestrove-cli.exe --scan did not succeed"
fi
"$native_cli" --scan "$tree" --stats 2>"$work/native.stats"
win_totals=$(totals "$work/win.stats")
native_totals=$(totals "$work/native.stats")
echo "   Windows: $win_totals"
echo "   native:  $native_totals"
[ -n "$win_totals" ] && [ "${win_totals%, allocated*}" = "${native_totals%, allocated*}" ] ||
  fail "the Windows scan's folders, files and bytes differ from the native scan's"
# Wine reports the cluster size of the host file system, so the space on disk agrees too.
[ "$win_totals" = "$native_totals" ] || fail "allocated sizes differ between Windows and native scans"

# The tree report lists folders by full path: the top-level folder is Wine's root drive.
grep -qF '"Folder:";"Z:\"' "$work/tree.csv" || fail "tree report has no Z:\\ folder"
grep -qF '"/' "$work/tree.csv" && fail "tree report has POSIX paths"
grep -qF "$(winpath "$tree")\\Media\\" "$work/tree.csv" || fail "tree report lacks the Media folder"
# The report of the scanned folder names its entries.
for name in Docs Media empty README; do
  grep -q "$name" "$work/files.csv" || fail "Files and folders report lacks $name"
done
# Text files are in the ANSI code page; a name it can hold is written in it.
iconv -f WINDOWS-1252 -t UTF-8 "$work/tree.csv" | grep -q 'Übersicht' || fail "tree report lost Übersicht"
# A name the code page cannot hold makes the whole file UTF-8 after a byte-order mark.
mkdir -p "$work/far" && : >"$work/far/日本語.txt" && : >"$work/far/Grüße.txt"
"$wine" "$dist/kestrove-cli.exe" --scan "$(winpath "$work/far")" --report FilesInThisFolder --format html \
  --out 'Z:'"${work//\//\\}"'\far.html' 2>/dev/null || fail "kestrove-cli.exe could not write far.html"
[ "$(head -c 3 "$work/far.html" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "far.html has no UTF-8 byte-order mark"
grep -q 'charset=utf-8' "$work/far.html" && grep -q '日本語.txt' "$work/far.html" && grep -q 'Grüße.txt' "$work/far.html" ||
  fail "far.html is not one UTF-8 file that says so"

echo "-- the result file reads back"
"$wine" "$dist/kestrove-cli.exe" --import win.kvr --stats --export win2.kvr 2>"$work/import.stats" ||
  fail "kestrove-cli.exe --import did not succeed"
[ "$(sizes "$work/import.stats")" = "$(sizes "$work/win.stats")" ] || fail "totals changed on import"
cmp -s "$work/win.kvr" "$work/win2.kvr" || fail "import and export changed the result file"
# A result file written on Windows reads on Linux as a Z: tree.
if "$native_cli" --import "$work/win.kvr" --stats --tree-report csv --out "$work/native-tree.csv" 2>"$work/cross.stats"; then
  [ "$(sizes "$work/cross.stats")" = "$(sizes "$work/win.stats")" ] || fail "the Windows result file has other totals on Linux"
  grep -qF '"Folder:";"Z:\"' "$work/native-tree.csv" || fail "the Windows result file lost its Z: paths on Linux"
else
  fail "the native program could not import the Windows result file"
fi

echo "-- result files and ncdu JSON, plain and compressed, through standard input"
"$native_cli" --scan "$tree" --export "$work/native.kvr" --export-ncdu "$work/native.json" 2>/dev/null
zstd -q -c "$work/native.kvr" >"$work/native.kvr.zst"
gzip -c "$work/native.json" >"$work/native.json.gz"
for file in native.kvr native.kvr.zst native.json.gz; do
  if cat "$work/$file" | "$wine" "$dist/kestrove-cli.exe" --import - --stats 2>"$work/pipe.stats"; then
    [ "$(sizes "$work/pipe.stats")" = "$(sizes "$work/native.stats")" ] || fail "$file through standard input: other totals"
  else
    cat "$work/pipe.stats" >&2
    fail "kestrove-cli.exe could not read $file from standard input"
  fi
done

echo "-- an error exits with status 2"
status=0
"$wine" "$dist/kestrove-cli.exe" --import 'Z:\nonexistent\missing.kvr' 2>/dev/null || status=$?
[ "$status" -eq 2 ] || fail "a missing result file gave exit status $status, not 2"

echo "-- kestrove.exe shows its window"
cat >"$work/window.sh" <<'EOS'
#!/usr/bin/env bash
set -u
"$WINE" "$DIST/kestrove.exe" &
pid=$!
found=1
for _ in $(seq 1 120); do
  if xwininfo -root -tree 2>/dev/null | grep -qF '"Varnholt Kestrove 2.4"'; then found=0; break; fi
  sleep 0.5
done
if [ "$found" -eq 0 ] && [ -n "$SHOT" ]; then
  sleep 3  # first paint
  import -window root "$SHOT"
fi
xwininfo -root -tree 2>/dev/null | grep -F 'Kestrove' >&2
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit "$found"
EOS
chmod +x "$work/window.sh"
# The Wine session of the command-line runs has no display; the window needs a new one.
/usr/lib/wine/wineserver -k 2>/dev/null || true
/usr/lib/wine/wineserver -w 2>/dev/null || true
WINE="$wine" DIST="$dist" SHOT="$screenshot" xvfb-run -a -s "-screen 0 1280x800x24" "$work/window.sh" ||
  fail "the main window \"Varnholt Kestrove 2.4\" did not appear"

if [ "$failures" -ne 0 ]; then
  echo "Windows check: $failures failure(s)" >&2
  exit 1
fi
echo "Windows check passed"

#!/usr/bin/env bash
# A Windows download as scripts/windows-zips makes it (cpack -G ZIP in a
# Windows build folder), 32-bit (win32, from the i686 build) or 64-bit
# (win64, from the x86_64 build):
#   check-windows-zip.sh <build dir> <LICENSE> <work dir>
# It holds one folder with lirkel.exe (of its kind, static, stripped),
# README.txt (Windows-1252, CR LF) and LICENSE.txt (the project's licence),
# and nothing else.
set -uo pipefail
mapfile -t zips < <(ls "$1"/lirkel-*-win32.zip "$1"/lirkel-*-win64.zip 2>/dev/null)
[ ${#zips[@]} -eq 1 ] || { echo "FAIL: not one lirkel-*-win32.zip or -win64.zip in $1"; exit 1; }
zip=${zips[0]}
case $zip in
  *-win32.zip) format=pei-i386 tools=i686-w64-mingw32 ;;
  *) format=pei-x86-64 tools=x86_64-w64-mingw32 ;;
esac
license=$2
rm -rf "$3" && mkdir -p "$3"
work=$(cd "$3" && pwd)
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

python3 - "$zip" "$work" <<'PY' || fail "the ZIP cannot be read"
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    print("\n".join(sorted(z.namelist())), file=open(sys.argv[2] + "/names", "w"))
    z.extractall(sys.argv[2])
PY
folder=$(basename "$zip" .zip)
expected="$folder/LICENSE.txt
$folder/README.txt
$folder/lirkel.exe"
[ "$(cat "$work/names")" = "$expected" ] || fail "the ZIP holds: $(cat "$work/names" | tr '\n' ' ')"
dir=$work/$folder

exe=$dir/lirkel.exe
headers=$("$tools-objdump" -p -h "$exe" 2>&1)
grep -q "file format $format\$" <<<"$headers" || fail "lirkel.exe is not a $format Windows program"
grep -q '\.debug' <<<"$headers" && fail "lirkel.exe holds debugging sections"
"$tools-strip" -o "$work/restripped.exe" "$exe"
[ "$(stat -c %s "$work/restripped.exe")" -eq "$(stat -c %s "$exe")" ] || fail "lirkel.exe is not stripped"
dlls=$(grep 'DLL Name:' <<<"$headers" | awk '{ print toupper($3) }' | sort | tr '\n' ' ')
for dll in $dlls; do
  case $dll in KERNEL32.DLL | MSVCRT.DLL | WINMM.DLL | SHELL32.DLL | USER32.DLL) ;;
    *) fail "lirkel.exe needs $dll, which Windows does not bring" ;; esac
done

readme=$dir/README.txt
iconv -f CP1252 -t UTF-8 "$readme" >"$work/readme.utf8" 2>/dev/null || fail "README.txt is not Windows-1252"
LC_ALL=C grep -q $'[\x81\x8d\x8f\x90\x9d]' "$readme" && fail "README.txt holds bytes Windows-1252 does not define"
[ "$(grep -c $'\r$' "$readme")" -eq "$(wc -l <"$readme")" ] || fail "README.txt has lines not ended by CR LF"
[ "$(tail -c 2 "$readme" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "README.txt's last line is not ended"
for said in 'lirkel G3EGEGE' 'lirkel --run' 'midi\' 'd:\src\qvt\midi\' 'General MIDI' 'LICENSE.txt'; do
  grep -qF "$said" "$work/readme.utf8" || fail "README.txt does not say $said"
done
cmp -s "$license" "$dir/LICENSE.txt" || fail "LICENSE.txt is not the project's LICENSE"

[ "$failures" -eq 0 ] || exit 1
echo "The Windows ZIP holds what it should ($(stat -c %s "$zip") bytes, lirkel.exe $(stat -c %s "$exe"))."

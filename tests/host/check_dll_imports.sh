#!/bin/sh
# The plugin is a 32-bit DLL that a player drops next to the game: it must export nothing and
# import only system DLLs (no MinGW runtime DLLs).
set -eu
dll=$1
dump=$(i686-w64-mingw32-objdump -p "$dll")
echo "$dump" | grep -q '^Magic.*010b' || { echo "not a PE32 (32-bit) image"; exit 1; }
imports=$(echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
echo "imports: $(echo $imports)"
for name in $imports; do
  case "$name" in
    kernel32.dll|msvcrt.dll|version.dll) ;;
    *) echo "unexpected import: $name"; exit 1 ;;
  esac
done
exported=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -cE '^\s*\[ *[0-9]+\]' || true)
[ "$exported" -eq 0 ] || { echo "exports found:"; echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p'; exit 1; }
echo "ok: no exports"

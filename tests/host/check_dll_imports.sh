#!/bin/sh
# The plugin is a 32-bit DLL that a player drops next to the game: it exports nothing and imports
# exactly the system functions of dll_imports.txt (one line per DLL: its name, then its functions),
# nothing from MinGW runtime DLLs. Every import sets a floor on the Windows versions the plugin runs
# on (Windows 7 or later), so a new one fails here until it has been checked against that floor;
# then rewrite the list:   tests/host/check_dll_imports.sh --write build/windows/bin/car_dealers.dll
# usage: check_dll_imports.sh [--write] DLL
set -eu
list=$(cd "$(dirname "$0")" && pwd)/dll_imports.txt
write=false
if [ "$1" = --write ]; then write=true; shift; fi
dump=$(i686-w64-mingw32-objdump -p "$1")
echo "$dump" | grep -q '^Magic.*010b' || { echo "not a PE32 (32-bit) image"; exit 1; }

# objdump lists each DLL's imports under "DLL Name: X" as "<vma> <hint> <name>" lines, up to a blank line.
imports=$(echo "$dump" | awk '
  /^[[:space:]]*DLL Name: / { dll = $3; next }
  /^[[:space:]]*$/ { dll = "" }
  dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll, $3 }' | LC_ALL=C sort)
for name in $(echo "$imports" | cut -d' ' -f1 | tr 'A-Z' 'a-z' | sort -u); do
  case "$name" in
    kernel32.dll|msvcrt.dll|version.dll) ;;
    *) echo "unexpected import: $name"; exit 1 ;;
  esac
done
if $write; then
  echo "$imports" | awk '$1 != dll { if (dll) print line; dll = $1; line = dll } { line = line " " $2 } END { print line }' > "$list"
  echo "wrote $(echo "$imports" | wc -l) imports to $list"
  exit 0
fi
listed=$(awk '{ for (i = 2; i <= NF; i++) print $1, $i }' "$list" | LC_ALL=C sort)
if [ "$imports" != "$listed" ]; then
  echo "the imports differ from $list (+ new, - gone):"
  expanded=$(mktemp)
  echo "$listed" > "$expanded"
  echo "$imports" | diff -u "$expanded" - | sed -n '/^[-+][^-+]/p' || true
  rm -f "$expanded"
  exit 1
fi
echo "ok: $(echo "$imports" | wc -l) imports, as listed"

exported=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -cE '^\s*\[ *[0-9]+\]' || true)
[ "$exported" -eq 0 ] || { echo "exports found:"; echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p'; exit 1; }
echo "ok: no exports"

#!/bin/bash
# The plugin, a 32-bit DLL, exports nothing and imports exactly the functions of dll_imports.txt (a line
# per DLL: its name, its functions), nothing from MinGW runtime DLLs. Each import sets a floor on the
# Windows it runs on (now XP: GetModuleHandleExW, the system msvcrt's _time64), so a new one fails here
# until checked against it; then rewrite the list:
#   tests/host/check_dll_imports.sh --write build/windows/bin/car_dealers.dll
# usage: check_dll_imports.sh [--write] DLL
set -eu
list=$(cd "$(dirname "$0")" && pwd)/dll_imports.txt
dump=$(i686-w64-mingw32-objdump -p "${@: -1}")
grep -q '^Magic.*010b' <<<"$dump" || { echo "not a PE32 (32-bit) image"; exit 1; }

# objdump lists a DLL's imports under "DLL Name: X" as "<vma> <hint> <name>" lines, up to a blank line.
imports=$(awk '/^[[:space:]]*DLL Name: / { dll = $3; next } /^[[:space:]]*$/ { dll = "" }
  dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll, $3 }' <<<"$dump" | LC_ALL=C sort)
if grep -qviE '^(kernel32|msvcrt|version)\.dll ' <<<"$imports"; then
  echo "imports from other DLLs than kernel32, msvcrt and version:"; grep -viE '^(kernel32|msvcrt|version)\.dll ' <<<"$imports"; exit 1
fi
if [ "$1" = --write ]; then
  awk '$1 != dll { if (dll) print line; dll = $1; line = dll } { line = line " " $2 } END { print line }' <<<"$imports" >"$list"
  echo "wrote $(wc -l <<<"$imports") imports to $list"; exit 0
fi
changes=$(diff <(awk '{ for (i = 2; i <= NF; i++) print $1, $i }' "$list" | LC_ALL=C sort) - <<<"$imports" | sed -n 's/^>/+/p; s/^</-/p')
[ -z "$changes" ] || { echo "the imports differ from $list (+ new, - gone):"; echo "$changes"; exit 1; }
echo "ok: $(wc -l <<<"$imports") imports, as listed"

exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump")
! grep -qE '^\s*\[ *[0-9]+\]' <<<"$exports" || { echo "exports found:"; echo "$exports"; exit 1; }
echo "ok: no exports"

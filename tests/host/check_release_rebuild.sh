#!/bin/sh
# Anyone can check the download against the source: rebuilt from a copy of this tree in another folder,
# minutes later, zip and SHA256SUMS are the same bytes; its programs bear the commit's time, not the build's.
# usage: check_release_rebuild.sh SOURCE_DIR ZIP SOURCE_DATE_EPOCH
set -eu
source=$(realpath "$1") zip=$(realpath "$2") epoch=$3
fail() { echo "FAIL: $*"; exit 1; }

work=$(mktemp -d /tmp/car-dealers-rebuild.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/another-folder"
tar -C "$source" --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -C "$work/another-folder" -xf -
cd "$work/another-folder"
if ! { SOURCE_DATE_EPOCH=$epoch cmake --preset windows && cmake --build --preset windows --target release_zip; } \
    >"$work/build.log" 2>&1; then
  tail -n 20 "$work/build.log"
  fail "the second build failed"
fi
again=build/windows/dist/$(basename "$zip")
cmp "$zip" "$again" || fail "the download built again differs"
cmp "$(dirname "$zip")/SHA256SUMS" build/windows/dist/SHA256SUMS || fail "SHA256SUMS differs"
echo "ok: built again in $work/another-folder, byte for byte the same: $(cat build/windows/dist/SHA256SUMS)"

# The PE header's time stamp, 4 bytes 8 past the "PE" signature whose offset is at 60; and the export
# table's, which the DLL has though it exports nothing.
stamp() { od -An -tu4 -j "$(($(od -An -tu4 -j 60 -N 4 "$1") + 8))" -N 4 "$1" | tr -d ' '; }
for program in car_dealers.dll dealers-check.exe; do
  [ "$(stamp "$again.files/$program")" = "$epoch" ] || fail "$program: stamped $(stamp "$again.files/$program"), not $epoch"
done
exports=$(i686-w64-mingw32-objdump -p "$again.files/car_dealers.dll" | sed -n 's/^Time\/Date stamp[[:space:]]*//p')
[ "$exports" = "$(printf '%x' "$epoch")" ] || fail "the DLL's export table is stamped $exports, not $epoch"
echo "ok: both programs stamped with the commit's time, $epoch"

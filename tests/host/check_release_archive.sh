#!/bin/sh
# The download and its SHA256SUMS. Unpacked into a fresh folder: only the plugin, the sample car_dealers/,
# the checker, the notes and the pictures they link to, every text with Windows line ends; the plugin a
# stripped 32-bit DLL of at most 256 KiB, exporting nothing, importing only its listed functions, with its
# version; the stand-in game plays the demo with it there, and again beside a renamed copy of it.
# usage: check_release_archive.sh ZIP WORK_DIR VERSION DATA_DIR NOTES TESTHOST_EXE EMULATOR
set -eu
zip=$1 work=$2 version=$3 data=$4 notes=$5 testhost=$6 emulator=$7
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*"; exit 1; }

(cd "$(dirname "$zip")" && sha256sum -c --strict SHA256SUMS) || fail "the zip does not match SHA256SUMS beside it"
listing=$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ')
expected="car_dealers.dll car_dealers.txt car_dealers/ car_dealers/dealers.conf car_dealers/dealers.csv dealers-check.exe \
example_zones.svg sample_town.png sample_zones.svg sample_zones_town.svg "
[ "$listing" = "$expected" ] || fail "the archive holds: $listing"
rm -rf "$work"
mkdir -p "$work"
unzip -q "$zip" -d "$work"

# Notepad before Windows 10 shows a file with LF line ends as one line.
for file in dealers.conf dealers.csv; do
  sed 's/\r*$/\r/' "$data/$file" | cmp - "$work/car_dealers/$file" || fail "car_dealers/$file is not the sample's with CR LF"
done
sed 's/$/\r/' "$notes" | cmp - "$work/car_dealers.txt" || fail "the notes are not the player notes with CR LF"
# The notes refer to nothing the download lacks: each link is to a web page or to a file beside them.
for link in $(grep -oE '\]\([^)]+\)' "$notes" | sed 's/^](//; s/)$//' | grep -v '://'); do
  cmp -s "$(dirname "$notes")/$link" "$work/$link" || fail "the notes link to $link, and the download holds no such file"
done

"$here/check_dll_imports.sh" "$work/car_dealers.dll"
if i686-w64-mingw32-objdump -h "$work/car_dealers.dll" | grep -q ' \.debug'; then fail "the DLL is not stripped"; fi
# No iostreams or locale in the plugin: they alone would outgrow the limit.
size=$(stat -c %s "$work/car_dealers.dll")
[ "$size" -le 262144 ] || fail "the DLL is $size bytes, more than 256 KiB"
[ "$(stat -c %s "$work/dealers-check.exe")" -le 524288 ] || fail "dealers-check.exe is more than 512 KiB"

# The file version as Windows reads it (the plugin's reading, in dealers-check.exe); the resource's texts.
seen=$(cd "$work" && "$emulator" ./dealers-check.exe --game car_dealers.dll | tr -d '\r' | head -n 1)
[ "$seen" = "car_dealers.dll: file version $version.0" ] || fail "not file version $version.0: $seen"
resource=$(i686-w64-mingw32-windres -i "$work/car_dealers.dll" -O rc)
echo "$resource" | grep -qF 'VALUE "ProductName", "Car dealers"' || fail "no product name"
echo "$resource" | grep -q 'VALUE "FileDescription", "[^"]' || fail "no description"

cp "$testhost" "$work/"
status=0
(cd "$work" && "$emulator" "./$(basename "$testhost")" --demo) > "$work/demo.log" 2>&1 || status=$?
tail -n 3 "$work/demo.log"
[ "$status" -eq 0 ] || fail "the demo ended with status $status"
tr -d "\r" < "$work/demo.log" | grep -qx "demo: done" || fail "the demo did not play to its end"

# Installed twice, the second copy renamed: one copy runs, one salesman, one price, one payment.
cp "$work/car_dealers.dll" "$work/car_dealers (2).dll"
status=0
(cd "$work" && "$emulator" "./$(basename "$testhost")" --demo --also "car_dealers (2).dll") > "$work/twice.log" 2>&1 || status=$?
tail -n 2 "$work/twice.log"
[ "$status" -eq 0 ] || fail "the demo with a second copy ended with status $status"
tr -d "\r" < "$work/twice.log" | grep -qx "demo: done" || fail "the demo with a second copy did not go as one"
echo "ok: the archive installs and plays, also beside a renamed copy"

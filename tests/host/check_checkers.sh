#!/bin/sh
# dealers-check.exe under the emulator (reading a game's version as the plugin does) and the native tool
# (reading the file) print the same but CRs, draw the same map, end alike and say what they should of
# games, non-games and folders. Run in the games' folder.
# usage: check_checkers.sh EMULATOR DEALERS_CHECK_EXE NATIVE_DEALERS_CHECK
set -u
emulator=$1 exe=$2 native=$3
source=$(cd "$(dirname "$0")/../.." && pwd)
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# check STATUS ARGS...: both tools end with STATUS and print the same (the native one's in native.out, .err).
check() {
  status=$1
  shift
  for tool in exe native; do
    rm -f zones.svg
    if [ $tool = exe ]; then "$emulator" "$exe" "$@"; else "$native" "$@"; fi >$tool.out 2>$tool.err
    got=$?
    [ "$got" = "$status" ] || fail "$tool $*: status $got, not $status"
    [ ! -f zones.svg ] || mv zones.svg $tool.svg
  done
  for stream in out err; do
    tr -d '\r' <exe.$stream | cmp -s - native.$stream || fail "dealers-check $*: the std$stream of each differs:
$(tr -d '\r' <exe.$stream | diff - native.$stream | head -n 6)"
  done
  [ ! -f native.svg ] || cmp -s exe.svg native.svg || fail "dealers-check $*: the maps differ"
  [ "$status" != 2 ] || [ ! -f exe.svg ] || fail "dealers-check.exe $*: a map drawn, yet status 2"
  rm -f exe.svg native.svg
}
# says LINE...: the last check printed each line.
says() {
  for line in "$@"; do
    grep -qxF -- "$line" native.out native.err || fail "no line \"$line\" in: $(cat native.out native.err)"
  done
}

takes="  the plugin takes it for build"
number() { echo "  number $1 (the four numbers written one after another)"; }
idle="  the plugin stays idle with this game"
check 0 --game testhost_v1070.exe
says "testhost_v1070.exe: file version 1.0.7.0" "$(number 1070)" "$takes 1.0.7.0"
check 0 --game testhost_v1080.exe
says "testhost_v1080.exe: file version 1.0.8.0" "$(number 1080)" "$takes 1.0.8.0"
check 0 --game testhost_v0_0_10_70.exe
says "testhost_v0_0_10_70.exe: file version 0.0.10.70" "$(number 1070)" "$takes 1.0.7.0"
check 1 --game testhost_v1071.exe
says "testhost_v1071.exe: file version 1.0.7.1" "$(number 1071)" \
  "$idle: it knows only 1.0.7.0 and 1.0.8.0 (numbers 1070 and 1080)"
check 1 --game testhost_noversion.exe
says "testhost_noversion.exe: no file version" "$idle"
# A version resource whose fixed part lacks its signature is no version.
python3 -c "import sys; d=bytearray(open(sys.argv[1],'rb').read()); d[d.find(bytes.fromhex('bd04effe'))+3]^=1; open(sys.argv[2],'wb').write(d)" testhost_v1070.exe bad_signature.exe
check 1 --game bad_signature.exe
says "bad_signature.exe: no file version" "$idle"
printf 'price_rate_buy=0.8\n' >not_a_program.exe
check 2 --game not_a_program.exe
says "dealers-check: not_a_program.exe is not a Windows program (no PE header)"
check 2 --game no_such_game.exe
says "dealers-check: cannot read no_such_game.exe: No such file or directory"
# With a folder too (here the sample), both checks run, the worse status wins and the last line tells both.
check 1 --game testhost_v1071.exe car_dealers
says "problems: the plugin stays idle with this game; car_dealers: the plugin uses every line as it stands"
check 0 --game testhost_v1080.exe car_dealers
says "ok: the plugin takes this game; car_dealers: the plugin uses every line as it stands"
"$native" --game testhost_v1080.exe >/dev/full; [ $? = 2 ] || fail "a report lost to a full disk is not status 2"
rm -f not_a_program.exe bad_signature.exe exe.* native.*

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
cp -r "$source/data/car_dealers" .
# The player notes' example, a mistake on every line: its files are its first two code blocks.
python3 -c 'import os, re, sys; notes = open(sys.argv[1]).read(); os.mkdir("example")
for name, text in zip(("dealers.conf", "dealers.csv"), re.findall(r"```\n(.*?)```", notes[notes.index("For a folder whose"):], re.S)):
    open("example/" + name, "w").write(text)' "$source/docs/players.md"
cp -r car_dealers c
for folder in ./c car_dealers car_dealers/ car_dealers//; do check 0 $folder; done
# Backslashes, as typed on Windows, stay in the paths the exe prints.
"$emulator" "$exe" 'car_dealers\\' | tr -d '\r' | tr '\\' / | cmp -s - native.out ||
  fail "the exe does not read the folder typed with backslashes as with slashes"
check 1 example --map zones.svg
# Over a picture, PNG or JPEG, the same map; a picture or bounds the map cannot use, the same error.
cp "$source/docs/sample_town.png" "$source/tests/dealers_check/grey_64x48.jpg" .
check 0 car_dealers --map zones.svg --background sample_town.png --bounds -1200,-2200,2800,1800
check 1 example --map zones.svg --background grey_64x48.jpg --bounds 128,96,0,0
check 2 car_dealers --map zones.svg --background car_dealers/dealers.csv --bounds 0,0,1,1
check 2 car_dealers --map zones.svg --background no_such.png --bounds 0,0,1,1
check 2 car_dealers --map zones.svg --background grey_64x48.jpg --bounds 0,5,1,5,2,5,3,5
check 2 ./n # no such folder
# Files as Windows editors and spreadsheets save them, and where map makers put them: both tools decode
# them as the plugin does and look for them alike.
python3 -c 'import os, sys
for path, data in (("saved/car_dealers/dealers.conf", "[rates]\r\nprice_rate_buy=80\r\n".encode("utf-16")),
                   ("saved/car_dealers/dealers.csv", b"\xef\xbb\xbfx;y;z\r\n-412,5;1180,0;14,8;25\r\n\"1\",\"2\",\"3\",\"4\"\r\n,,,\r\n"),
                   ("misnamed/car_dealers/dealers.conf.txt", b"price_rate_buy=0.9\r\n"),
                   ("misnamed/car_dealers/dealers.csv.txt", b"1,2,3,4\r\n"), ("nested/car_dealers/car_dealers/dealers.csv", b"1,2,3,4\r\n"),
                   ("unzipped/car-dealers-1.0.0-win32/car_dealers/dealers.csv", b"1,2,3,4\r\n"),
                   ("game/car_dealers/dealers.csv", b"1,2,3,4\r\n")):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    open(path, "wb").write(data)'
check 1 saved/car_dealers
says "  price_rate_buy = 80  (line 2)" "  line 1: note: a header line: the plugin skips it, as any line without numbers" \
  "  line 4: note: an empty row (a spreadsheet's row of empty cells): the plugin skips it" "problems: 3, notes: 5"
check 1 misnamed/car_dealers
says "misnamed/car_dealers/dealers.conf.txt" "misnamed/car_dealers/dealers.csv.txt: 1 dealer"
check 1 nested/car_dealers
says "nested/car_dealers/car_dealers/dealers.csv: 1 dealer"
check 0 game
says "  note: no dealers.conf or dealers.csv in game, so game/car_dealers is checked: the folder the game reads when game is its folder"
check 0 car_dealers/. # named by what it stands for
says "ok: the plugin uses every line as it stands"
cd unzipped || exit 1
check 1
says "car-dealers-1.0.0-win32/car_dealers/dealers.csv: 1 dealer"
cd ..
# With stdout and stderr on one file, as on a console, an error shows first, where it happened.
"$emulator" "$exe" --game car_dealers/dealers.conf car_dealers >exe.out 2>&1
"$native" --game car_dealers/dealers.conf car_dealers >native.out 2>&1
tr -d '\r' <exe.out | cmp -s - native.out || fail "the exe's error is not first: $(tr -d '\r' <exe.out | head -n 2)"
[ $failed = 0 ] && echo "ok: dealers-check.exe and the native tool print the same, and what they should"
exit $failed

#!/bin/sh
# dealers-check.exe under the emulator and the native tool, built from the same sources, print the
# same bytes (the exe's CR LF line ends aside) and end with the same status: on the sample folder,
# also named with trailing slashes (and, to the exe, backslashes); on tests/data/broken_car_dealers,
# whose maps must hold the same bytes; on a folder that is not there; and with both streams on one
# file, an error before the report.
# usage: check_same_output.sh EMULATOR DEALERS_CHECK_EXE NATIVE_DEALERS_CHECK WORK_DIR
set -u
emulator=$1 exe=$2 native=$3 work=$4
source=$(cd "$(dirname "$0")/../.." && pwd)
failed=0
fail() { echo "FAIL: $*"; failed=1; }

[ -x "$native" ] || { echo "FAIL: no native dealers-check at $native: build the native preset first"; exit 1; }
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
cp -r "$source/data/car_dealers" "$source/tests/data/broken_car_dealers" .

# run exe|native ARGS...: the tool's stdout and status in TOOL.out, its stderr in TOOL.err, and the
# map it draws as zones.svg in TOOL.svg.
run() {
  tool=$1
  shift
  rm -f zones.svg
  if [ "$tool" = exe ]; then "$emulator" "$exe" "$@"; else "$native" "$@"; fi >$tool.out 2>$tool.err
  echo "status $?" >>$tool.out
  [ ! -f zones.svg ] || mv zones.svg $tool.svg
}

# same ARGS...: both tools print the same.
same() {
  run exe "$@"
  run native "$@"
  for stream in out err; do
    tr -d '\r' <exe.$stream | cmp -s - native.$stream ||
      fail "dealers-check $*: std$stream differs: $(tr -d '\r' <exe.$stream | diff - native.$stream | head -n 6)"
  done
}

same
same car_dealers/
same car_dealers//
# Backslashes, as typed on Windows, stay in the paths the exe prints.
run exe 'car_dealers\\'
tr -d '\r' <exe.out | tr '\\' / | cmp -s - native.out || fail "the exe does not read the folder typed with backslashes as with slashes"
same broken_car_dealers --map zones.svg
cmp exe.svg native.svg || fail "the maps of broken_car_dealers differ"
same no_such_folder
# With stdout and stderr on one file, as on a console, an error shows where it happened: first.
"$emulator" "$exe" --game car_dealers/dealers.conf car_dealers >exe.out 2>&1
"$native" --game car_dealers/dealers.conf car_dealers >native.out 2>&1
tr -d '\r' <exe.out | cmp -s - native.out || fail "the exe's error is not first: $(tr -d '\r' <exe.out | head -n 2)"
[ $failed = 0 ] && echo "ok: dealers-check.exe and the native tool print the same"
exit $failed

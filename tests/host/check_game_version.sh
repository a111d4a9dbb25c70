#!/bin/sh
# dealers-check --game on each build of the stand-in game, on a file that is no Windows program
# and on none at all: the version words, the number, the verdict and the exit status, from
# dealers-check.exe (the plugin's own reading, under the emulator) and, when it is built, from the
# native tool (its own reading of the file), which must say the same. Run in the folder of the games.
# usage: check_game_version.sh EMULATOR DEALERS_CHECK_EXE [NATIVE_DEALERS_CHECK]
set -u
emulator=$1 exe=$2 native=${3:-}
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# expect "GAME [FOLDER]" STATUS LINE...: each tool's output holds each line, its run ends with STATUS.
run() { if [ "$1" = exe ]; then "$emulator" "$exe" --game $2; else "$native" --game $2; fi; }
expect() {
  game=$1 status=$2
  shift 2
  for tool in exe native; do
    [ $tool = exe ] || [ -x "$native" ] || continue
    out=$(run $tool "$game" 2>&1)
    got=$?
    out=$(printf '%s\n' "$out" | tr -d '\r')
    echo "$tool --game $game: status $got"
    [ "$got" = "$status" ] || fail "$tool --game $game: status $got, not $status"
    for line in "$@"; do
      printf '%s\n' "$out" | grep -qxF -- "$line" || fail "$tool --game $game: no line \"$line\" in: $out"
    done
  done
}

takes="the plugin takes it for build"
idle="  the plugin stays idle with this game: it knows only 1.0.7.0 and 1.0.8.0 (numbers 1070 and 1080)"
expect testhost_v1070.exe 0 "testhost_v1070.exe: file version 1.0.7.0" "  number 1070 (the four numbers written one after another)" "  $takes 1.0.7.0"
expect testhost_v1080.exe 0 "testhost_v1080.exe: file version 1.0.8.0" "  number 1080 (the four numbers written one after another)" "  $takes 1.0.8.0"
expect testhost_v0_0_10_70.exe 0 "testhost_v0_0_10_70.exe: file version 0.0.10.70" "  number 1070 (the four numbers written one after another)" "  $takes 1.0.7.0"
expect testhost_v1071.exe 1 "testhost_v1071.exe: file version 1.0.7.1" "  number 1071 (the four numbers written one after another)" "$idle"
expect testhost_noversion.exe 1 "testhost_noversion.exe: no file version" "  the plugin stays idle with this game"
# A version resource whose fixed part does not carry its signature is no version at all.
python3 -c "import sys; d=bytearray(open(sys.argv[1],'rb').read()); d[d.find(bytes.fromhex('bd04effe'))+3]^=1; open(sys.argv[2],'wb').write(d)" testhost_v1070.exe bad_signature.exe
expect bad_signature.exe 1 "bad_signature.exe: no file version" "  the plugin stays idle with this game"
printf 'price_rate_buy=0.8\n' > not_a_program.exe
expect not_a_program.exe 2 "dealers-check: not_a_program.exe is not a Windows program (no PE header)"
expect no_such_game.exe 2

# With a folder too, both checks run and the worse status wins (car_dealers/ holds the sample).
expect "testhost_v1071.exe car_dealers" 1
expect "testhost_v1080.exe car_dealers" 0
rm -f not_a_program.exe bad_signature.exe
exit $failed

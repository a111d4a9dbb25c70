#!/usr/bin/env bash
# dealers-check on random dealer lists of 1,000, 100,000 and 1,000,000 zones (x, y uniform in
# +-4000, radius 5 to 80): time, peak memory and output lines of each run. Run by hand, e.g.
#   bench/dealers_check_sizes.sh build/native/bin/dealers-check [COUNT...]
# LAYOUT=huge: radii 100,000 to 200,000, so that every zone holds or meets every other.
# LAYOUT=road: one zone in 200 of radius 1,000,000 on a line, the others of radius 5 on a line
# 3,000,000 away, spread as wide: the overlap search walks many rows of cells that hold nothing.
set -euo pipefail
checker=$(realpath "${1:?usage: $0 DEALERS_CHECK [COUNT...]}")
shift
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(1000 100000 1000000)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%10s %10s %12s %12s %7s\n' zones seconds "peak MB" "output lines" status
for n in "${counts[@]}"; do
  folder=$work/car_dealers_$n
  mkdir -p "$folder"
  printf 'price_rate_sell=0.5\nprice_rate_buy=0.8\n' >"$folder/dealers.conf"
  awk -v n="$n" -v layout="${LAYOUT:-random}" 'BEGIN { srand(2024); for (i = 0; i < n; i++) {
      x = rand() * 8000 - 4000; y = rand() * 8000 - 4000; z = rand() * 300; r = 5 + int(rand() * 76)
      if (layout == "huge") r += 100000 + int(rand() * 100000)
      if (layout == "road") { x *= 250; y = i % 200 ? 3000000 : 0; r = i % 200 ? 5 : 1000000 }
      printf "%.2f,%.2f,%.2f,%d\r\n", x, y, z, r } }' >"$folder/dealers.csv"
  status=0
  /usr/bin/time -v -o "$work/time" "$checker" "$folder" >"$work/out" 2>&1 || status=$?
  seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0
                         for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s }' "$work/time")
  megabytes=$(awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$work/time")
  printf '%10d %10.2f %12s %12d %7d\n' "$n" "$seconds" "$megabytes" \
    "$(wc -l <"$work/out")" "$status"
done

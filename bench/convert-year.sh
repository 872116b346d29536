#!/usr/bin/env bash
# The converter's speed and memory: a simulated leap year of one-second archive (the simulator's
# lines, as bench/year-of-data.sh records them: 2024, 366 days, 31,622,400 lines, about 2 GB)
# converted for one day, a month and the whole year, each product alone and all together.
# Prints lines per second (wall clock), CPU seconds and peak resident memory per run.
#
#   bench/convert-year.sh                 # 2024-01-01, 366 days
#   bench/convert-year.sh 2024-02-01 29   # a shorter archive: the "year" row is then its length
#
# Runs in a temporary folder under $TMPDIR (default /tmp), removed afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
first="${1:-2024-01-01}"
days="${2:-366}"
[ -d build ] || scripts/build
cmake --build build --target orvant3k-convert ArchiveGenerator >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
echo "archive of $days days from $first; needs about $((days * 86400 * 63 / 1000000)) MB free in $work"
build/bench/ArchiveGenerator "$work/station" "$first" "$days"

# A valid header, both IAGA-2002 products, the ImagCDF texts and the standard one-second to
# one-minute filter.
{
  printf '[Options]\r\nAutoCreateIntermagnet=1\r\n'
  printf '[Intermagnet]\r\nminuteor5seconds=0\r\nIDC=BEN\r\nCOMP=XYZF\r\nGIN=EDI\r\n'
  printf 'COLA=0450\r\nLONG=0100\r\nDECBAS=0\r\n[Filter]\r\n'
  grep -E '^C[0-9]+=' filters/gaussian-1s-to-1min-91.filter | tr -d '\r' | sed 's/$/\r/'
  printf '[IAGA2002]\r\nSecondFiles=1\r\nMinuteFiles=1\r\nLatitude=45\r\nLongitude=10\r\n'
  printf 'Elevation=0\r\nStationName=Bench\r\n'
  printf '[ImagCDF]\r\nInstitution=Bench Institute\r\n'
} >"$work/station.ini"

last_day="$(date -d "$first + $((days - 1)) days" +%F)"
month_end="$(date -d "$first + 1 month - 1 day" +%F)"
[[ "$month_end" > "$last_day" ]] && month_end="$last_day"
spans=("day $first $first" "month $first $month_end" "year $first $last_day")
products=("--intermagnet" "--iaga-seconds" "--iaga-minutes" "--imagcdf-seconds" "--imagcdf-minutes"
  "--intermagnet --iaga-seconds --iaga-minutes")

printf '%-6s %-44s %12s %10s %8s %8s\n' span products lines lines/s cpu-s peak-MB
for span in "${spans[@]}"; do
  read -r name from to <<<"$span"
  for product in "${products[@]}"; do
    rm -rf "$work/out" && mkdir "$work/out"
    # shellcheck disable=SC2086 # the product options are separate words
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" build/tools/orvant3k-convert \
      --settings "$work/station.ini" --from "$from" --to "$to" $product --out "$work/out" \
      "$work/station" 2>"$work/log"
    lines="$(sed -n 's/^lines read: \([0-9]*\),.*/\1/p' "$work/log")"
    read -r wall user system peak <"$work/time"
    awk -v n="$name" -v p="$product" -v l="$lines" -v w="$wall" -v u="$user" -v s="$system" \
      -v m="$peak" 'BEGIN { printf "%-6s %-44s %12d %10.0f %8.2f %8.1f\n",
                            n, p, l, l / (w > 0 ? w : 0.01), u + s, m / 1024 }'
  done
done

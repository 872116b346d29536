#!/usr/bin/env bash
# A year of data through the headless recorder: the simulator, its stamps one second apart,
# feeds `orvant3k --headless` as fast as it takes the lines through a whole leap year
# (31,622,400 lines, 29 February and the year's end included). The end-to-end test
# DaysOfData checks every day's archive file line for line and every INTERMAGNET day file for
# 24 complete blocks, and prints the lines per second and the recorder's memory (resident after
# the first second, at the end, and its peak).
#
#   bench/year-of-data.sh                  # 2024-01-01, 366 days (about 2 GB of archive)
#   bench/year-of-data.sh 2024-02-01 29    # a month
#
# Runs in a temporary folder under $TMPDIR (default /tmp), removed afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
first="${1:-2024-01-01}"
days="${2:-366}"
[ -d build ] || scripts/build
cmake --build build --target test_e2e orvant3k orvant3k-sim >/dev/null
echo "days of data from $first, $days days; needs about $((days * 86400 * 63 / 1000000)) MB free in ${TMPDIR:-/tmp}"
ORVANT_DAYS_FIRST="$first" ORVANT_DAYS="$days" QT_QPA_PLATFORM=offscreen \
  build/tests/test_e2e --gtest_filter='DaysOfData.*'

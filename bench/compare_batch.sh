#!/bin/sh
# Times brinewick-export as a whole process on 200 small logs (copies of the sample logs): with
# --csv-dir, and with --csv-dir and --report-dir, the median of 5 rounds each; and --csv of one
# small log, the median of 21 runs. Given a second brinewick-export (another build), both run in
# each round, one after the other, and their CSVs and messages are compared.
# Usage: bench/compare_batch.sh [BUILD_DIR] [OTHER_BRINEWICK_EXPORT]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
other=${2:-}
rounds=5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --build "$build" --target brinewick-export -j2 >/dev/null
mkdir "$work/logs"
i=0
while [ "$i" -lt 200 ]; do
  for f in "$here"/../data/*; do
    [ "$i" -lt 200 ] || break
    cp "$f" "$work/logs/$i-$(basename "$f")"
    i=$((i + 1))
  done
done
set -- "$build/brinewick-export"
[ -n "$other" ] && set -- "$@" "$other"

# Wall milliseconds of one batch; its messages are kept in $work/NAME.err.
batch() {
  name=$1 exe=$2 mode=$3
  rm -rf "$work/out"
  start=$(date +%s%N)
  if [ "$mode" = csv ]; then
    "$exe" --csv-dir "$work/out" "$work"/logs/* >/dev/null 2>"$work/$name.err" || true
  else
    "$exe" --csv-dir "$work/out" --report-dir "$work/out" "$work"/logs/* >/dev/null 2>"$work/$name.err" || true
  fi
  end=$(date +%s%N)
  echo $(((end - start) / 1000000)) >>"$work/$name.times"
}

# Median wall milliseconds of 21 single-log CSV runs of the smallest sample.
single() {
  exe=$1
  small=$(ls -S "$work"/logs/* | tail -n 1)
  for i in $(seq 21); do
    start=$(date +%s%N)
    "$exe" --csv "$work/one.csv" "$small" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
  done | sort -n | sed -n 11p
}

uptime
for exe in "$@"; do
  echo "$exe --csv (one small log): median $(single "$exe") ms"
done
round=1
while [ "$round" -le "$rounds" ]; do
  n=0
  for exe in "$@"; do
    n=$((n + 1))
    batch "$n-csv" "$exe" csv
    [ "$round" = 1 ] && cp -r "$work/out" "$work/csv$n"
    batch "$n-report" "$exe" report
  done
  round=$((round + 1))
done
uptime

n=0
for exe in "$@"; do
  n=$((n + 1))
  for mode in csv report; do
    median=$(sort -n "$work/$n-$mode.times" | sed -n "$(((rounds + 1) / 2))p")
    echo "$exe --csv-dir$([ $mode = report ] && echo ' --report-dir') (200 logs): median ${median} ms"
  done
done
if [ -n "$other" ]; then
  diff -r "$work/csv1" "$work/csv2" >/dev/null && echo "CSVs: identical" || echo "CSVs: DIFFER"
  for mode in csv report; do
    sort "$work/1-$mode.err" >"$work/a" && sort "$work/2-$mode.err" >"$work/b"
    cmp -s "$work/a" "$work/b" && echo "messages ($mode): the same lines" || echo "messages ($mode): DIFFER"
  done
fi

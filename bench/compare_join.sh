#!/bin/sh
# Times brinewick-export --join --all-records --csv on a month of day logs (30 logs of 86,400
# records) as a whole process: the streamed road, and the whole-table road (taken with
# --on-bad-date stop, which these logs never meet), with wall time and peak RSS of each; the
# two CSVs are compared. Usage: bench/compare_join.sh [BUILD_DIR] [DAYS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
days=${2:-30}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --build "$build" --target brinewick-export bench_export -j2 >/dev/null
d=0
while [ "$d" -lt "$days" ]; do
  "$build/bench/bench_export" --write-day-log "$work/day$(printf %02d "$d").asc" "$d"
  d=$((d + 1))
done
echo "load: $(cat /proc/loadavg)"
run() {
  name=$1
  shift
  /usr/bin/time -v "$build/brinewick-export" --join --all-records --csv "$work/$name.csv" "$@" "$work"/day*.asc \
    2>"$work/$name.time"
  printf '%-9s %s s, peak RSS %s kB\n' "$name" \
    "$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/$name.time")" \
    "$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/$name.time")"
}
run streamed
run whole --on-bad-date stop
cmp "$work/streamed.csv" "$work/whole.csv" && echo "the CSVs are the same"

#!/bin/sh
# Times `brinewick-export --csv` of a 32,767-record log as a whole process against a Python
# reference with the csv module; then `brinewick-export --all-records --csv` of long logs
# against the floor, a plain two-thread C++ program (export_floor) writing the same CSV.
# Usage: bench/compare_export.sh [BUILD_DIR]; RUNS (default 5) runs per long log, SIZES the
# long logs' records (default "1000000 10000000").
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --build "$build" -j2 --target brinewick-export bench_export export_floor >/dev/null
"$build/bench/bench_export" --write-log "$work/log.asc" 32767
exe="$build/brinewick-export"
# The interpreter itself, not a version-manager shim in front of it.
py=$(python3 -c "import sys; print(sys.executable)")

"$exe" --csv "$work/brinewick.csv" "$work/log.asc"
"$py" "$here/export_reference.py" "$work/log.asc" "$work/python.csv"
if cmp -s "$work/brinewick.csv" "$work/python.csv"; then
  echo "outputs: identical ($(wc -c <"$work/brinewick.csv") bytes)"
else
  echo "outputs: DIFFER"; diff "$work/brinewick.csv" "$work/python.csv" | head -5
fi

if command -v hyperfine >/dev/null; then
  hyperfine -N --warmup 3 --runs 20 \
    -n brinewick-export "$exe --csv $work/out1.csv $work/log.asc" \
    -n python-csv "$py $here/export_reference.py $work/log.asc $work/out2.csv"
fi

# Median wall time and median peak memory of 11 runs each.
measure() {
  name=$1; shift
  results=$(for i in 1 2 3 4 5 6 7 8 9 10 11; do
    /usr/bin/time -f "%e %M" "$@" 2>&1 >/dev/null | tail -1
  done)
  wall=$(echo "$results" | cut -d' ' -f1 | sort -n | sed -n 6p)
  kb=$(echo "$results" | cut -d' ' -f2 | sort -n | sed -n 6p)
  echo "$name: median ${wall} s, peak ${kb} kB"
}
measure brinewick-export "$exe" --csv "$work/out1.csv" "$work/log.asc"
measure python-csv "$py" "$here/export_reference.py" "$work/log.asc" "$work/out2.csv"

# Median wall time (s) and median peak RSS (kB) of $runs runs, from /usr/bin/time -v.
runs=${RUNS:-5}
measure_v() {
  results=$(for i in $(seq "$runs"); do
    /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '
      /Elapsed \(wall clock\)/ { n = split($2, t, ":"); w = 0; for (i = 1; i <= n; i++) w = w * 60 + t[i] }
      /Maximum resident set size/ { m = $2 }
      END { print w, m }'
  done)
  middle=$(( (runs + 1) / 2 ))
  wall=$(echo "$results" | cut -d' ' -f1 | sort -n | sed -n "${middle}p")
  kb=$(echo "$results" | cut -d' ' -f2 | sort -n | sed -n "${middle}p")
  echo "$wall $kb"
}

floor="$build/bench/export_floor"
echo "load: $(uptime)"
for records in ${SIZES:-1000000 10000000}; do
  log="$work/long.asc"
  "$build/bench/bench_export" --write-log "$log" "$records"
  "$exe" --all-records --csv "$work/brinewick.csv" "$log"
  "$floor" "$log" "$work/floor.csv"
  if cmp -s "$work/brinewick.csv" "$work/floor.csv"; then
    same="identical ($(wc -c <"$work/floor.csv") bytes)"
  else
    same="DIFFER"
  fi
  rm -f "$work/brinewick.csv" "$work/floor.csv"
  set -- $(measure_v "$exe" --all-records --csv "$work/brinewick.csv" "$log")
  b_wall=$1 b_kb=$2
  set -- $(measure_v "$floor" "$log" "$work/floor.csv")
  f_wall=$1 f_kb=$2
  ratio=$(awk -v b="$b_wall" -v f="$f_wall" 'BEGIN { printf "%.2f", (f > 0 ? b / f : 0) }')
  echo "$records records, outputs $same, medians of $runs runs:"
  echo "  brinewick-export --all-records --csv: ${b_wall} s, peak ${b_kb} kB"
  echo "  export_floor:                         ${f_wall} s, peak ${f_kb} kB"
  echo "  ratio to the floor: ${ratio}x"
  rm -f "$log" "$work/brinewick.csv" "$work/floor.csv"
done

#!/bin/sh
# Times `brinewick-export --csv` of a 32,767-record log as a whole process against a Python
# reference with the csv module. Usage: bench/compare_export.sh [BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --build "$build" --target brinewick-export bench_export >/dev/null
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

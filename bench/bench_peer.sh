#!/usr/bin/env bash
# Whole-process drawing time of `psa-graph --export` against gnuplot: both draw the same 35-record file on a
# logarithmic PSA axis into an 849 x 521 image, several times in turn; the medians are compared. gnuplot uses
# its antialiased cairo terminal, as a chart for a report is made.
#   bench/bench_peer.sh BUILD_DIR [ROUNDS] [WORK_PARENT]
# Both write into a folder under WORK_PARENT (default /tmp); psa-graph flushes its bitmap to the disk before
# it replaces the old one, gnuplot does not.
set -euo pipefail
build_dir=$(cd "${1:?build folder}" && pwd)
rounds=${2:-15}
parent=${3:-/tmp}
command -v gnuplot >/dev/null || { echo "gnuplot is missing (apt-get install gnuplot-nox)" >&2; exit 1; }
gnuplot -e 'set terminal' 2>&1 | grep -qw pngcairo || { echo "this gnuplot has no pngcairo terminal" >&2; exit 1; }

work=$(mktemp -d "$parent/bench-peer-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen

# 35 monthly-ish records over six years, as the record file writes them.
for i in $(seq 0 34); do
    month=$((i * 2 % 12 + 1)); year=$((2004 + i * 2 / 12))
    value=$(awk -v i="$i" 'BEGIN { printf "%g", 4.2 * exp(0.08 * i) * (i > 25 ? 0.002 : 1) }')
    printf ' %d, %d, %s\r\n' "$year" "$month" "$value"
done >"$work/records.csv"

cat >"$work/graph.gp" <<GP
set terminal pngcairo size 849,521
set output '$work/gnuplot.png'
set datafile separator ','
set logscale y
set yrange [0.01:1000]
set grid xtics ytics mytics
unset key
set arrow from graph 0, first 0.2 to graph 1, first 0.2 nohead lc rgb 'red'
set arrow from graph 0, first 2 to graph 1, first 2 nohead lc rgb 'red'
plot '$work/records.csv' using ((\$1 - 2004) * 12 + \$2 - 1):3 with linespoints pt 6 lw 3 lc rgb 'black'
GP

now_ms() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ours=() theirs=()
for round in $(seq -1 "$rounds"); do
    start=$(now_ms); "$build_dir/psa-graph" --export "$work/records.csv" "$work/ours.bmp"; end=$(now_ms)
    [ "$round" -ge 1 ] && ours+=($(((end - start) / 1000)))
    start=$(now_ms); gnuplot "$work/graph.gp"; end=$(now_ms)
    [ "$round" -ge 1 ] && theirs+=($(((end - start) / 1000)))
done
[ -s "$work/ours.bmp" ] && [ -s "$work/gnuplot.png" ] || { echo "an image was not written" >&2; exit 1; }

ours_us=$(printf '%s\n' "${ours[@]}" | median)
theirs_us=$(printf '%s\n' "${theirs[@]}" | median)
awk -v o="$ours_us" -v t="$theirs_us" 'BEGIN {
    printf "BENCH peer_psa_graph %.1f ms\n", o / 1000
    printf "BENCH peer_gnuplot %.1f ms\n", t / 1000
    printf "BENCH peer_ratio %.2f x\n", o / t
}'

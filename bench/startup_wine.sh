#!/usr/bin/env bash
# Start-up to a shown window, Linux build against Windows build under Wine, measured the same way: in one
# virtual X server, each program is started `rounds` times with PSA_EXIT_AFTER_FIRST_FRAME set, so that it
# ends right after painting its first frame, and the wall time from starting the process to its exit is
# taken. Wine's server is started once beforehand and kept running, as it is on a desktop where Wine has
# run before; the prefix is fresh. Prints the median and the fastest run of each, in milliseconds.
#
#   bench/startup_wine.sh [rounds] [Linux psa-graph] [psa-graph.exe]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-15}
linux=$(realpath "${2:-$root/build/psa-graph}")
windows=$(realpath "${3:-$root/build-windows/psa-graph.exe}")
PATH=/usr/lib/wine:$PATH
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ -z "${PSA_BENCH_DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" env PSA_BENCH_DISPLAY=1 "$0" "$rounds" "$linux" "$windows"
fi

WINEPREFIX=$("$root/scripts/wine-prefix")
export WINEPREFIX
runtime=$(mktemp -d)
chmod 700 "$runtime"
cleanup() {
    local status=$?
    "$root/scripts/wine-prefix" --remove "$WINEPREFIX" || status=1
    rm -rf "$runtime" || status=1
    exit "$status"
}
trap cleanup EXIT
wineserver -p
wine64 cmd /c exit >/dev/null 2>&1 # the desktop process, started once

# Runs the command `rounds` times and prints the median and the fastest wall time in milliseconds.
measure() {
    local times=()
    for _ in $(seq "$rounds"); do
        local start end
        start=$(date +%s%N)
        PSA_EXIT_AFTER_FIRST_FRAME=1 "$@" >/dev/null 2>&1
        end=$(date +%s%N)
        times+=($(((end - start) / 1000000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "median %d ms, fastest %d ms\n", t[int((NR + 1) / 2)], t[1] }'
}

echo "Linux build (Qt, xcb):       $(XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb measure "$linux")"
echo "Windows build (Win32, Wine): $(measure wine64 "$windows")"

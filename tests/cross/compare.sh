#!/usr/bin/env bash
# The same record files on both builds: each is loaded, saved and drawn by the Linux round trip (Qt) and by
# the Windows one (Win32, under Wine). The saved record files must be identical byte for byte, and in the
# two bitmaps the 46 horizontal grid lines, the axes and the month lines must lie on the same pixels. Both
# builds' PNG encoders, given each build's bitmap, must write the same bytes, holding the bitmap's pixels.
#
#   compare.sh <Linux roundtrip> <Windows roundtrip.exe> <folder of record files> <output folder>
#
# Exit status 0 when all agree, 77 when the Linux build or the tools are missing (skipped), 1 otherwise.
set -uo pipefail
linux=${1:?Linux roundtrip}
windows=$(realpath "${2:?Windows roundtrip.exe}")
records=$(realpath "${3:?folder of record files}")
out=$(realpath -m "${4:?output folder}")
here=$(cd "$(dirname "$0")" && pwd)
PATH=/usr/lib/wine:$PATH

[ -x "$linux" ] || { echo "SKIP: no Linux build at $linux (scripts/build build)"; exit 77; }
for tool in convert wine64 wineserver; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
own_prefix=
if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX=$("$here/../../scripts/wine-prefix") || exit 1
    own_prefix=$WINEPREFIX
fi
export WINEPREFIX
cleanup() {
    [ -z "$own_prefix" ] || "$here/../../scripts/wine-prefix" --remove "$own_prefix"
}
trap cleanup EXIT

# The pixel rows and columns drawn over almost the whole plot: rows across x 40 to 900, columns from y 550
# down to y 50 of the graph's coordinates (picture pixels 38..838 and 137..483 on 849 x 521). ImageMagick
# averages the ink of every row and column of that area; 95 % ink makes a line.
full_lines() {
    local name=$1 crop=$2 resize=$3
    convert "$4" -crop "$crop" +repage -colorspace gray -threshold 99% -negate -filter box -resize "$resize" \
        -depth 16 txt:- | awk -F'[,:() ]+' -v name="$name" '
        NR > 1 && $4 >= 62258 { list = list " " (name == "rows" ? $2 : $1) }
        END { print name list }'
}
lines_of() {
    full_lines rows 799x521+39+0 '1x521!' "$1"
    full_lines columns 849x345+0+138 '849x1!' "$1"
}

mkdir -p "$out/linux" "$out/windows"
failed=0
for file in "$records"/*.csv; do
    name=$(basename "$file" .csv)
    QT_QPA_PLATFORM=offscreen "$linux" "$file" "$out/linux/$name.csv" "$out/linux/$name.bmp" 2>"$out/linux/$name.log"
    wine64 "$windows" "Z:${file//\//\\}" "Z:${out//\//\\}\\windows\\$name.csv" "Z:${out//\//\\}\\windows\\$name.bmp" \
        2>"$out/windows/$name.log"
    if ! cmp -s "$out/linux/$name.csv" "$out/windows/$name.csv"; then
        echo "FAIL $name: the saved record files differ"
        failed=1
        continue
    fi
    linux_lines=$(lines_of "$out/linux/$name.bmp")
    windows_lines=$(lines_of "$out/windows/$name.bmp")
    rows=$(echo "$windows_lines" | awk '/^rows/ { print NF - 1 }')
    if [ "$linux_lines" != "$windows_lines" ] || [ "$rows" != 46 ]; then
        echo "FAIL $name: grid lines differ ($rows rows on Windows)"
        echo "  Linux:   $linux_lines" | head -c 600
        echo "  Windows: $windows_lines" | head -c 600
        failed=1
        continue
    fi
    # The fonts may draw a text a pixel apart, so each build's pixels go through both encoders.
    png_problem=
    for drawn in linux windows; do
        bitmap=$out/$drawn/$name.bmp
        "$linux" --png "$bitmap" "$out/linux/$name-$drawn.png" || png_problem="no PNG on Linux"
        wine64 "$windows" --png "Z:${bitmap//\//\\}" "Z:${out//\//\\}\\windows\\$name-$drawn.png" ||
            png_problem="no PNG on Windows"
        cmp -s "$out/linux/$name-$drawn.png" "$out/windows/$name-$drawn.png" ||
            png_problem="the PNGs of the $drawn bitmap differ"
        cmp -s <(convert "$bitmap" rgb:-) <(convert "$out/windows/$name-$drawn.png" rgb:-) ||
            png_problem="the PNG of the $drawn bitmap holds other pixels"
    done
    if [ -n "$png_problem" ]; then
        echo "FAIL $name: $png_problem"
        failed=1
        continue
    fi
    echo "ok   $name: $(stat -c %s "$out/windows/$name.csv") bytes saved alike, 46 grid rows and $(echo "$windows_lines" | awk '/^columns/ { print NF - 1 }') full-height columns on the same pixels, the same PNGs"
done
[ "$failed" = 0 ] && echo "PASS: both builds save and draw alike" || exit 1

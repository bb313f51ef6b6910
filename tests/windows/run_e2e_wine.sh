#!/usr/bin/env bash
# End-to-end run of psa-graph.exe under Wine in a virtual X server, driven as a user would with xdotool:
# types the three records of the worked example, ends the input, shows the graph, copies it with 「グラフをコピー」
# from a right click, the Menu key and Shift+F10 (image/bmp and the metafile on the X clipboard), holds Return
# on 終了 (the question must stay open), saves the records (which must be exactly the 48 bytes of the example)
# and the graph (an 849 x 521 bitmap whose red reference lines lie at PSA 0.2 and 2), checks that Return and
# Space after a button turned grey press nothing, then exits through the confirmation, which must end the
# process with status 0.
#
# Then it starts the program again with the saved file as its argument on a screen at 200 %, and checks the
# window's size and the graph's reference lines there.
#
#   run_e2e_wine.sh <path to psa-graph.exe> <folder for the screenshot, the saved files and the log>
#
# Uses the Wine prefix in WINEPREFIX when set; otherwise makes a fresh one and removes it afterwards.
# Exit status 0 on success, 77 when the tools are not installed (reported as skipped), 1 on failure.
set -uo pipefail

program=$(realpath "${1:?path to psa-graph.exe}")
out=$(realpath -m "${2:?output folder}")
here=$(cd "$(dirname "$0")" && pwd)
PATH=/usr/lib/wine:$PATH

for tool in Xvfb xdotool xev xclip import convert identify wine64 wineserver; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

mkdir -p "$out"
rm -f "$out/records.csv" "$out/graph.bmp"
log=$out/psa-graph.log
shot=$out/screenshot.png
work=$(mktemp -d)
server=
pid=
clipboard_owner=
own_prefix=
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
dpi_changed=
# Puts the prefix back to 96 DPI, for the tests that share it; the server must write the registry out.
reset_dpi() {
    wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
    wineserver -w
    dpi_changed=
}
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    [ -n "$clipboard_owner" ] && kill "$clipboard_owner" 2>/dev/null
    [ -n "$dpi_changed" ] && reset_dpi
    wineserver -k 2>/dev/null
    [ -n "$server" ] && kill "$server" 2>/dev/null
    [ -n "$own_prefix" ] && "$here/../../scripts/wine-prefix" --remove "$own_prefix"
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    [ -s "$log" ] && sed 's/^/  psa-graph: /' "$log"
    exit 1
}

source "$here/../e2e/waiting.sh"

if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX=$("$here/../../scripts/wine-prefix") || fail "no Wine prefix"
    own_prefix=$WINEPREFIX
fi
export WINEPREFIX
# A Wine session left from an earlier program would still speak to the X server that program had.
wineserver -k 2>/dev/null
wineserver -w

Xvfb -displayfd 3 -screen 0 2400x1600x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
display_known() { [ -s "$work/display" ]; }
poll 20 display_known || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(head -n 1 "$work/display")
source "$here/../e2e/held_keys.sh"
server_repeats_keys || fail "the X server does not repeat a key held down"

wine64 "$program" >"$log" 2>&1 &
pid=$!

find_window() { window=$(xdotool search --onlyvisible --name '^Form1$' 2>/dev/null | head -n 1) && [ -n "$window" ]; }
poll 30 find_window || fail "the window Form1 did not appear"
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" = 1062 ] && [ "$HEIGHT" = 729 ] || fail "client area is ${WIDTH}x${HEIGHT}, not 1062x729"
origin_x=$X
origin_y=$Y
source "$here/../e2e/button_looks.sh"

# Clicks the middle of a control given by its rectangle in 96-DPI pixels of the window. What follows needs no
# pause: the program takes the keys and clicks after it in order, and a window the click opens is waited for.
scale=1
click() {
    space_from_last_click "$1" "$2"
    xdotool mousemove --window "$window" $(((($1 + $3 / 2)) * scale)) $(((($2 + $4 / 2)) * scale)) click 1 ||
        fail "click at $1,$2$(if_ended)"
}

# The rows of an area of an image that are more than a third pure red: the reference lines.
red_rows_of() {
    convert "$1" -crop "$2" +repage -fill white +opaque '#FF0000' -channel G -separate -negate \
        -filter box -resize "1x$(echo "$2" | sed 's/^[0-9]*x\([0-9]*\).*/\1/')!" -depth 16 txt:- |
        awk -F'[,:() ]+' 'NR > 1 && $4 >= 21845 { printf "%s ", $2 }'
}

# Types a Windows path into the file dialog that the last click opened, and accepts it.
save_as() {
    local before=$1 path=$2
    poll 20 new_window_shown "$before" || fail "no file dialog appeared$(if_ended)"
    focus_window "$new_window"
    xdotool type --delay 20 "$path" || fail "typing $path"
    xdotool key Return
}

focus_window "$window"
click 208 40 105 49 # データー入力: empties the grid, focus on the first cell
for field in 2004 11 4.2 2005 3 12.5 2005 9 8.75; do
    xdotool type --delay 30 "$field" || fail "typing $field"
    xdotool key Tab || fail "pressing Tab"
done
click 134 628 70 28 # 入力終了
click 720 40 89 49  # グラフ表示

# 「グラフをコピー」 from the picture's menu. Before each copy the clipboard holds a text of xclip's, so only the
# menu's item can have put image/bmp there: a menu that never opened fails.
# An owner that loses the clipboard just then may leave a request unanswered, which xclip would wait for ever.
targets() { timeout 5 xclip -selection clipboard -t TARGETS -o 2>/dev/null; }
has_text() { targets | grep -qx 'UTF8_STRING' && ! targets | grep -qx 'image/bmp'; }
has_bmp() { targets | grep -qx 'image/bmp'; }
copy_graph() {
    local how=$1
    shift
    [ -n "$clipboard_owner" ] && kill "$clipboard_owner" 2>/dev/null
    printf before | xclip -selection clipboard -i -quiet >/dev/null 2>&1 &
    clipboard_owner=$!
    poll 5 has_text || fail "xclip could not take the clipboard"
    local before
    before=$(shown_windows)
    "$@" || fail "opening the picture's menu with $how"
    poll 10 new_window_shown "$before" || fail "the picture's menu did not open with $how"
    xdotool key Down Return || fail "choosing from the menu opened with $how"
    poll 10 has_bmp || fail "no image/bmp on the clipboard after 「グラフをコピー」 from $how: the menu did not open or its item did nothing"
    timeout 5 xclip -selection clipboard -t image/bmp -o >"$out/copied.bmp" 2>/dev/null || fail "reading the copied bitmap"
    size=$(identify -format '%wx%h' "$out/copied.bmp" 2>/dev/null)
    rows=$(red_rows_of "$out/copied.bmp" 849x521+0+0)
    [ "$size" = 849x521 ] && [ "$rows" = "312 386 " ] ||
        fail "the graph copied from $how is '${size:-no bitmap}' with red rows '${rows}', not 849x521 with '312 386 '"
    # The drawing as an enhanced metafile too, which Wine offers to X under the Windows format's name.
    targets | grep -qx 'WCF_ENHMETAFILE' ||
        fail "no enhanced metafile beside the bitmap after 「グラフをコピー」 from $how: $(targets | tr '\n' ' ')"
    echo "「グラフをコピー」 from $how: an 849x521 image/bmp with red rows $rows, and WCF_ENHMETAFILE"
}
copy_graph "a right click" xdotool mousemove --window "$window" 600 350 click 3
click 8 65 70 15 # the first cell; Shift+Tab goes on to the picture
xdotool key shift+Tab
copy_graph "the Menu key" xdotool key Menu
copy_graph "Shift+F10" xdotool key shift+F10
click 720 40 89 49 # グラフ表示 again: the focus back on it for the keys below, the graph drawn over itself

xdotool key Tab Tab # from グラフ表示 past グラフ保存 to 終了
hold_return_on_exit
echo "Return held on 終了: the question stayed open, いいえ kept the program running"

visible=$(shown_windows)
click 616 40 105 49 # データー保存
save_as "$visible" "Z:${out//\//\\}\\records.csv"
saved() { [ -s "$out/records.csv" ]; }
poll 10 saved || fail "the records were not saved"
expected=$(printf ' 2004, 11, 4.2\r\n 2005, 3, 12.5\r\n 2005, 9, 8.75\r\n' | od -An -tx1)
[ "$(od -An -tx1 <"$out/records.csv")" = "$expected" ] || fail "records.csv is not the 48 bytes of the example: $(od -c "$out/records.csv")"
echo "records.csv: $(stat -c %s "$out/records.csv") bytes, as in the example"

click 808 40 89 49 # グラフ保存
save_as "$visible" "Z:${out//\//\\}\\graph.bmp"
bitmap_done() { [ "$(identify -format '%wx%h' "$out/graph.bmp" 2>/dev/null)" = 849x521 ]; }
poll 10 bitmap_done || fail "graph.bmp is not an 849 x 521 bitmap: $(identify "$out/graph.bmp" 2>&1)"
# The reference lines are rows of pure red pixels: PSA 0.2 at row 386, PSA 2 at row 312 of the picture.
rows=$(red_rows_of "$out/graph.bmp" 849x521+0+0)
[ "$rows" = "312 386 " ] || fail "red rows of graph.bmp are '${rows}', not '312 386 '"
echo "graph.bmp: 849x521, red reference lines at rows $rows"

source "$here/../e2e/exit_through_question.sh"
import -window root "$shot" 2>/dev/null
grey_button_presses_nothing
echo "Return and Space after グラフ表示 turned grey pressed nothing"
exit_through_question
echo "exited with 0 after Yes"

# Started with the saved file as its argument (as "Open with" starts it), the program shows those records:
# グラフ表示 can be clicked at once, and draws the same reference lines on the screen. Run at 192 DPI (a
# screen at 200 %), where the window and the picture are twice as large and the lines two pixels thick.
for dpi in 192; do
    scale=$((dpi / 96))
    dpi_changed=1
    wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -w
    wine64 "$program" "Z:${out//\//\\}\\records.csv" >>"$log" 2>&1 &
    pid=$!
    poll 30 find_window || fail "the window Form1 did not appear with a file argument at $dpi DPI"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [ "$WIDTH" = $((1062 * scale)) ] && [ "$HEIGHT" = $((729 * scale)) ] ||
        fail "client area at $dpi DPI is ${WIDTH}x${HEIGHT}"
    focus_window "$window"
    click 720 40 89 49 # グラフ表示
    if [ "$scale" = 1 ]; then expected="312 386 "; else expected="624 625 772 773 "; fi
    red_rows() {
        import -window root "$out/with-file-$dpi.png" 2>/dev/null || return 1
        rows=$(red_rows_of "$out/with-file-$dpi.png" "$((849 * scale))x$((521 * scale))+$((X + 208 * scale))+$((Y + 88 * scale))")
        [ "$rows" = "$expected" ]
    }
    poll 10 red_rows || fail "at $dpi DPI, started with records.csv, the graph shows red rows '${rows:-}'"
    exit_through_question
    echo "at $dpi DPI: a ${WIDTH}x${HEIGHT} window drew records.csv with red rows $rows"
done
reset_dpi
echo "PASS: psa-graph.exe saved the records and the graph, drew them again from its file argument, and exited with 0"

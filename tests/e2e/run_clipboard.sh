#!/usr/bin/env bash
# End-to-end check of the command line's record file and the graph's clipboard copy in a real X server:
# starts psa-graph under Xvfb with a record file named on its command line, finds 「グラフをコピー」 unavailable
# before anything is drawn, shows the graph (possible only with the records loaded), copies it through the
# picture's context menu and reads the clipboard with xclip: a PNG of 849 x 521 with the red reference lines,
# and beside it an SVG picture of the same size that xmllint finds well formed, with the two red lines.
#
#   run_clipboard.sh <path to psa-graph> <folder for the copied image and the log>
#
# Exit status 0 on success, 77 when the X tools are not installed (reported as skipped), 1 on failure.
set -uo pipefail

program=${1:?path to psa-graph}
out=${2:?output folder}

mkdir -p "$out"
log=$out/psa-graph.log
copied=$out/copied.png
copied_svg=$out/copied.svg
tools=(xclip convert identify xmllint)
source "$(dirname "$0")/xvfb_session.sh"

printf ' 2005, 4, 3.2\r\n 2006, 1, 0.8\r\n 2007, 3, 0.15\r\n' >"$work/records.csv"
"$program" "$work/records.csv" >"$log" 2>&1 &
pid=$!

find_window() { window=$(xdotool search --onlyvisible --name '^Form1$' 2>/dev/null | head -n 1) && [ -n "$window" ]; }
poll 20 find_window || fail "the window Form1 did not appear"
focus_window "$window" || fail "the window Form1 did not take the focus"

# The program's windows on the screen: the main window, and the context menu while it is open.
shown_windows() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l; }
menu_open() { [ "$(shown_windows)" -gt 1 ]; }
menu_closed() { [ "$(shown_windows)" -eq 1 ]; }

# Opens the picture's context menu and picks its first item with the keyboard. An item that cannot be
# chosen leaves the menu open, and Escape closes it.
copy_graph() {
    xdotool mousemove --window "$window" 600 350 click 3 || fail "right click on the picture"
    poll 5 menu_open || fail "the picture's context menu did not open"
    xdotool key Down Return || fail "choosing from the menu"
    poll 1 menu_closed || xdotool key Escape
    poll 5 menu_closed || fail "the picture's context menu did not close"
}
# An owner that loses the clipboard just then may leave a request unanswered, which xclip would wait for ever.
targets() { timeout 5 xclip -selection clipboard -t TARGETS -o 2>/dev/null; }

copy_graph
targets | grep -q '^image/' && fail "the clipboard holds an image before anything was drawn: $(targets | tr '\n' ' ')"

xdotool mousemove --window "$window" $((720 + 44)) $((40 + 24)) click 1 || fail "click on グラフ表示"
copy_graph
has_png() { targets | grep -qx 'image/png'; }
poll 10 has_png || fail "no image/png on the clipboard after 「グラフをコピー」 (targets: $(targets | tr '\n' ' '))"
timeout 5 xclip -selection clipboard -t image/png -o >"$copied" || fail "reading the image from the clipboard"
size=$(identify -format '%wx%h' "$copied" 2>/dev/null)
[ "$size" = 849x521 ] || fail "the copied image is ${size:-not an image}, not 849x521; see $copied"
red=$(convert "$copied" txt:- | grep -c '#FF0000')
[ "$red" -ge 1000 ] || fail "the copied image has $red red pixels, not the two reference lines; see $copied"
targets | grep -qx 'image/svg+xml' || fail "no image/svg+xml beside the PNG (targets: $(targets | tr '\n' ' '))"
timeout 5 xclip -selection clipboard -t image/svg+xml -o >"$copied_svg" || fail "reading the SVG from the clipboard"
xmllint --noout "$copied_svg" || fail "the copied SVG is not well-formed XML; see $copied_svg"
svg_size=$(xmllint --xpath 'concat(/*[local-name()="svg"]/@width, "x", /*[local-name()="svg"]/@height)' "$copied_svg")
[ "$svg_size" = 849x521 ] || fail "the copied SVG is $svg_size, not 849x521; see $copied_svg"
svg_red=$(xmllint --xpath 'count(//*[local-name()="line"][@stroke="#ff0000"])' "$copied_svg")
[ "$svg_red" -eq 2 ] || fail "the copied SVG has $svg_red red lines, not the two reference lines; see $copied_svg"
echo "PASS: the file named on the command line was loaded, and the graph copied as a PNG of $size ($red red pixels) and an SVG of $svg_size ($svg_red red lines)"

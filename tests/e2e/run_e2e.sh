#!/usr/bin/env bash
# End-to-end check in a real X server: starts psa-graph under Xvfb, enters three records with the mouse and
# keyboard, shows the graph, finds its red reference lines on the screen, holds Return on 終了 (the question
# must stay open), saves the records through the file dialog, checks that Return and Space after a button
# turned grey press nothing, and exits through the confirmation.
#
#   run_e2e.sh <path to psa-graph> <folder for the screenshot and the log>
#
# Exit status 0 on success, 77 when the X tools are not installed (reported as skipped), 1 on failure.
set -uo pipefail

program=${1:?path to psa-graph}
out=${2:?output folder}

mkdir -p "$out"
log=$out/psa-graph.log
shot=$out/screenshot.png
tools=(import convert xev)
source "$(dirname "$0")/xvfb_session.sh"
source "$(dirname "$0")/held_keys.sh"
server_repeats_keys || fail "the X server does not repeat a key held down"
"$program" >"$log" 2>&1 &
pid=$!

find_window() { window=$(xdotool search --onlyvisible --name '^Form1$' 2>/dev/null | head -n 1) && [ -n "$window" ]; }
poll 20 find_window || fail "the window Form1 did not appear"

eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" = 1062 ] && [ "$HEIGHT" = 729 ] || fail "client area is ${WIDTH}x${HEIGHT}, not 1062x729"
origin_x=$X
origin_y=$Y
source "$(dirname "$0")/button_looks.sh"

# Clicks the middle of a control given by its window-relative rectangle. What follows needs no pause: the
# program takes the keys and clicks after it in order, and a window the click opens is waited for.
click() {
    space_from_last_click "$1" "$2"
    xdotool mousemove --window "$window" $(($1 + $3 / 2)) $(($2 + $4 / 2)) click 1 || fail "click at $1,$2$(if_ended)"
}

focus_window "$window"
click 208 40 105 49 # データー入力: empties the grid, focus on the first cell
for field in 2005 4 3.2 2006 1 0.8 2007 3 0.15; do
    xdotool type --delay 30 "$field" || fail "typing $field"
    xdotool key Tab || fail "pressing Tab"
done
click 134 628 70 28 # 入力終了
click 720 40 89 49  # グラフ表示

# The reference lines are rows of pure red pixels inside Picture1 (208, 88, 849 x 521).
red_rows() {
    import -window root "$shot" 2>/dev/null || return 1
    rows=$(convert "$shot" -crop "849x521+$((origin_x + 208))+$((origin_y + 88))" +repage txt:- |
        awk -F'[,:]' '/#FF0000/ { count[$2]++ } END { for (y in count) if (count[y] >= 300) print y }' |
        sort -n | tr '\n' ' ')
    [ "$(echo $rows | wc -w)" -ge 2 ]
}
poll 10 red_rows || fail "no red reference lines in the graph area (rows: ${rows:-none}); see $shot"
echo "red reference lines at picture rows: $rows"

xdotool key Tab Tab # from グラフ表示 past グラフ保存 to 終了
hold_return_on_exit
echo "Return held on 終了: the question stayed open, いいえ kept the program running"

# The records typed are all still there: saved through the file dialog, byte for byte.
before=$(shown_windows)
click 616 40 105 49 # データー保存
poll 10 new_window_shown "$before" || fail "no file dialog after データー保存$(if_ended)"
focus_window "$new_window"
xdotool type --delay 20 "$work/records.csv" || fail "typing the file name"
xdotool key Return
saved() { [ -s "$work/records.csv" ]; }
poll 10 saved || fail "the records were not saved"
expected=$(printf ' 2005, 4, 3.2\r\n 2006, 1, 0.8\r\n 2007, 3, 0.15\r\n' | od -An -tx1)
[ "$(od -An -tx1 <"$work/records.csv")" = "$expected" ] || fail "the saved records differ: $(od -c "$work/records.csv")"
echo "records.csv: the three records typed"

grey_button_presses_nothing
echo "Return and Space after グラフ表示 turned grey pressed nothing"

source "$(dirname "$0")/exit_through_question.sh"
exit_through_question
echo "PASS: psa-graph drew the graph and exited with 0"

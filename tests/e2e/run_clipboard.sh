#!/usr/bin/env bash
# End-to-end check of the command line's record file and the graph's clipboard copy in a real X server:
# starts psa-graph under Xvfb with a record file named on its command line, finds 「グラフをコピー」 unavailable
# before anything is drawn, shows the graph (possible only with the records loaded), copies it through the
# picture's context menu and reads the clipboard with xclip: a PNG of 849 x 521 with the red reference lines.
#
#   run_clipboard.sh <path to psa-graph> <folder for the copied image and the log>
#
# Exit status 0 on success, 77 when the X tools are not installed (reported as skipped), 1 on failure.
set -uo pipefail

program=${1:?path to psa-graph}
out=${2:?output folder}

for tool in Xvfb xdotool xclip convert identify; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

mkdir -p "$out"
log=$out/psa-graph.log
copied=$out/copied.png
work=$(mktemp -d)
server=
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    [ -n "$server" ] && kill "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    [ -f "$log" ] && sed 's/^/  psa-graph: /' "$log"
    exit 1
}

# Polls `command` every 0.2 s for up to `seconds`; true as soon as it succeeds.
poll() {
    local tries=$(($1 * 5))
    shift
    until "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.2
    done
}

# The server picks a free display itself and writes its number, so parallel runs never race for one.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
display_known() { [ -s "$work/display" ]; }
poll 20 display_known || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(head -n 1 "$work/display")

export QT_QPA_PLATFORM=xcb
if [ -n "${ASAN_OPTIONS:-}" ]; then
    export ASAN_OPTIONS=$ASAN_OPTIONS:strict_string_checks=0
fi
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime

printf ' 2005, 4, 3.2\r\n 2006, 1, 0.8\r\n 2007, 3, 0.15\r\n' >"$work/records.csv"
"$program" "$work/records.csv" >"$log" 2>&1 &
pid=$!

find_window() { window=$(xdotool search --onlyvisible --name '^Form1$' 2>/dev/null | head -n 1) && [ -n "$window" ]; }
poll 20 find_window || fail "the window Form1 did not appear"
xdotool windowfocus --sync "$window" 2>/dev/null

# Opens the picture's context menu and picks its first item with the keyboard.
copy_graph() {
    xdotool mousemove --window "$window" 600 350 click 3 || fail "right click on the picture"
    sleep 0.5
    xdotool key Down Return || fail "choosing from the menu"
    sleep 0.3
    xdotool key Escape # closes the menu if its item could not be chosen
    sleep 0.3
}
targets() { xclip -selection clipboard -t TARGETS -o 2>/dev/null; }

copy_graph
targets | grep -q '^image/' && fail "the clipboard holds an image before anything was drawn: $(targets | tr '\n' ' ')"

xdotool mousemove --window "$window" $((720 + 44)) $((40 + 24)) click 1 || fail "click on グラフ表示"
sleep 0.5
copy_graph
has_png() { targets | grep -qx 'image/png'; }
poll 10 has_png || fail "no image/png on the clipboard after 「グラフをコピー」 (targets: $(targets | tr '\n' ' '))"
xclip -selection clipboard -t image/png -o >"$copied" || fail "reading the image from the clipboard"
size=$(identify -format '%wx%h' "$copied" 2>/dev/null)
[ "$size" = 849x521 ] || fail "the copied image is ${size:-not an image}, not 849x521; see $copied"
red=$(convert "$copied" txt:- | grep -c '#FF0000')
[ "$red" -ge 1000 ] || fail "the copied image has $red red pixels, not the two reference lines; see $copied"
echo "PASS: the file named on the command line was loaded, and the graph copied as a PNG of $size ($red red pixels)"

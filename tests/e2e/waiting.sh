# Sourced by the end-to-end scripts of both builds: waiting for what the next step needs instead of sleeping
# for a guessed time, which is slow on an idle machine and too short on a busy one.

# The clock in milliseconds, in `now`. The digits alone, as the decimal separator follows the locale.
clock() {
    local micro=${EPOCHREALTIME//[!0-9]/}
    now=$((10#$micro / 1000))
}

sleep_ms() {
    sleep "$(($1 / 1000)).$(printf '%03d' $(($1 % 1000)))"
}

# Polls `command` every 0.1 s until it succeeds (true) or `seconds` have passed on the clock (false), so that a
# slow command, a screenshot say, does not stretch the deadline.
poll() {
    local seconds=$1 deadline
    shift
    clock
    deadline=$((now + seconds * 1000))
    while true; do
        "$@" && return 0
        clock
        [ "$now" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# The top-level windows on the screen, one id a line, sorted.
shown_windows() {
    xdotool search --onlyvisible --maxdepth 1 --name '' 2>/dev/null | sort
}

# True when a window not in `before` (a list from shown_windows) is on the screen; its id in `new_window`.
new_window_shown() {
    local before=$1
    new_window=$(shown_windows | grep -vxF "$before" | head -n 1) && [ -n "$new_window" ]
}

# Two clicks at one spot within the double-click time are a double click, which a button of the Windows build
# takes for one click; so a click at the spot of the last one waits until that time (500 ms there, less under
# Qt) has passed. A click elsewhere goes at once.
last_click_spot=
last_click_at=0
space_from_last_click() {
    local spot=$1,$2
    clock
    if [ "$spot" = "$last_click_spot" ] && [ $((last_click_at + 600 - now)) -gt 0 ]; then
        sleep_ms $((last_click_at + 600 - now))
    fi
    clock
    last_click_spot=$spot
    last_click_at=$now
}

# Gives a window the keyboard focus and waits until the server says it has it, for up to 5 s: a window that
# goes away meanwhile would keep xdotool waiting for ever.
focus_window() {
    timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null
}

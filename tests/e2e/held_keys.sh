# Sourced by the end-to-end scripts: keys held and pressed as a user does, against the running program (`pid`,
# its window `window`). Needs `work`, `click`, `fail`, the waits of waiting.sh, and xev; server_repeats_keys
# is for before the program starts, as its window takes the focus.

question_shown() {
    question=$(xdotool search --onlyvisible --name 'かくにんメッセージ' 2>/dev/null | head -n 1) && [ -n "$question" ]
}
# The program runs and shows its window: ending it hides the window at once, before the process is gone.
still_running() {
    kill -0 "$pid" 2>/dev/null && xdotool search --onlyvisible --name '^Form1$' 2>/dev/null | grep -qx "$window"
}
# For a failure message: what became of the program, when it has ended.
if_ended() {
    still_running || echo ": the program has ended"
}

# True when the X server repeats a key that xdotool holds down, as a keyboard does; else holding a key would
# prove nothing. Holds Return in a window of xev's own until xev has seen five presses, the first and four
# repeats, and keeps in `repeat_ms` how long that took: how long a key must be held for repeats to come.
repeat_ms=
server_repeats_keys() {
    local events=$work/xev.log tester= started
    xev -event keyboard >"$events" 2>&1 &
    local xev_pid=$!
    find_tester() { tester=$(xdotool search --onlyvisible --name '^Event Tester$' 2>/dev/null | head -n 1) && [ -n "$tester" ]; }
    five_presses() { [ "$(grep -c '^KeyPress' "$events")" -ge 5 ]; }
    if poll 10 find_tester && focus_window "$tester"; then
        clock
        started=$now
        xdotool keydown Return
        poll 5 five_presses && clock && repeat_ms=$((now - started))
        xdotool keyup Return
    fi
    kill "$xev_pid" 2>/dev/null
    wait "$xev_pid" 2>/dev/null
    if [ -z "$repeat_ms" ]; then
        echo "xev saw $(grep -c '^KeyPress' "$events") presses of Return held for 5 s"
        return 1
    fi
    echo "xev saw the fifth press of Return held down after $repeat_ms ms"
}

# A fingerprint of what the exit question shows; within 5 s, as a program that hangs may hold import up.
question_face() {
    timeout 5 import -window "$question" ppm:- 2>/dev/null | md5sum
}

# With the focus on 終了: Return held down clicks it once, and its repeats must not answer the question with
# its default はい; nor must the release. Then Tab and Return, fresh presses, answer いいえ, and the program
# goes on.
hold_return_on_exit() {
    question_or_ended() { question_shown || ! still_running; }
    xdotool keydown Return
    poll 10 question_or_ended
    # Held on for as long as the server takes to repeat it four times, so that repeats reach the question
    # however soon it came.
    sleep_ms "$repeat_ms"
    xdotool keyup Return
    still_running || fail "the program ended while Return was held on 終了"
    question_shown || fail "the exit question is not open after Return was held on 終了: its repeats answered it, or it never came"

    # Tab moves the focus from はい to いいえ, which the question shows: once it does, the question has also
    # taken the release before the Tab, which must not have answered it.
    focus_window "$question"
    local face='' earlier=''
    painted() { earlier=$face && face=$(question_face) && [ "$face" = "$earlier" ]; }
    poll 10 painted || fail "the exit question kept changing or went away after Return came up$(if_ended)"
    xdotool key Tab
    tab_shown() { local now_face && now_face=$(question_face) && [ "$now_face" != "$face" ]; }
    poll 10 tab_shown || fail "the exit question did not take the Tab sent after Return came up$(if_ended): the release or a repeat answered it, or Tab moves nothing"
    xdotool key Return # いいえ
    question_gone() { ! question_shown; }
    poll 10 question_gone || fail "いいえ did not close the exit question"
    # A program that いいえ ended may still show its window for a moment: the next step of the scripts waits
    # for a window that only a running program opens.
    still_running || fail "the program ended after いいえ"
    focus_window "$window"
}

# 入力終了 on an empty grid, then グラフ表示, which has nothing to draw and turns grey while it has the focus:
# Return and Space pressed after it press nothing, neither 終了 nor anything else.
grey_button_presses_nothing() {
    click 208 40 105 49 # データー入力: empties the grid
    click 134 628 70 28 # 入力終了: no records
    click 720 40 89 49  # グラフ表示
    xdotool key Return Return space space
    # データー読み込み opens its file dialog once the program has taken those keys, unless one of them opened a
    # question, which holds the window.
    local before
    before=$(shown_windows)
    new_window=
    click 312 40 137 49 # データー読み込み
    poll 10 new_window_shown "$before"
    question_shown && fail "Return or Space after グラフ表示 turned grey asked the exit question"
    still_running || fail "Return or Space after グラフ表示 turned grey ended the program"
    [ -n "$new_window" ] || fail "データー読み込み opened no file dialog after Return and Space on the grey グラフ表示"
    local dialog=$new_window
    focus_window "$dialog"
    xdotool key Escape
    dialog_gone() { ! shown_windows | grep -qxF "$dialog"; }
    poll 10 dialog_gone || fail "Escape did not close the file dialog of データー読み込み"
}

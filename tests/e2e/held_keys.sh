# Sourced by the end-to-end scripts: keys held and pressed as a user does, against the running program (`pid`,
# its window `window`). Needs `work`, `click`, `poll` and `fail`, and xev; server_repeats_keys is for before the
# program starts, as its window takes the focus.

question_shown() {
    question=$(xdotool search --onlyvisible --name 'かくにんメッセージ' 2>/dev/null | head -n 1) && [ -n "$question" ]
}
# The program runs and shows its window: ending it hides the window at once, before the process is gone.
still_running() {
    kill -0 "$pid" 2>/dev/null && xdotool search --onlyvisible --name '^Form1$' 2>/dev/null | grep -qx "$window"
}

# True when the X server repeats a key that xdotool holds down, as a keyboard does; else holding a key would
# prove nothing. Counts the presses that xev sees in a window of its own while Return is held for 1.5 s.
server_repeats_keys() {
    local events=$work/xev.log tester= presses
    xev -event keyboard >"$events" 2>&1 &
    local xev_pid=$!
    find_tester() { tester=$(xdotool search --onlyvisible --name '^Event Tester$' 2>/dev/null | head -n 1) && [ -n "$tester" ]; }
    poll 10 find_tester && xdotool windowfocus --sync "$tester" 2>/dev/null &&
        xdotool keydown Return && sleep 1.5 && xdotool keyup Return && sleep 0.3
    kill "$xev_pid" 2>/dev/null
    wait "$xev_pid" 2>/dev/null
    presses=$(grep -c '^KeyPress' "$events")
    echo "xev saw $presses presses of Return held for 1.5 s"
    [ "$presses" -ge 5 ]
}

# With the focus on 終了: Return held for two seconds clicks it once, and its repeats must not answer the
# question with its default はい; nor must the release. Then Tab and Return, fresh presses, answer いいえ, and
# the program goes on.
hold_return_on_exit() {
    xdotool keydown Return
    sleep 2
    xdotool keyup Return
    sleep 0.5
    still_running || fail "the program ended while Return was held on 終了"
    question_shown || fail "the exit question is not open after Return was held on 終了: its repeats answered it, or it never came"
    xdotool windowfocus --sync "$question" 2>/dev/null
    xdotool key Tab Return # いいえ
    question_gone() { ! question_shown; }
    poll 10 question_gone || fail "いいえ did not close the exit question"
    sleep 0.5
    still_running || fail "the program ended after いいえ"
    xdotool windowfocus --sync "$window" 2>/dev/null
}

# 入力終了 on an empty grid, then グラフ表示, which has nothing to draw and turns grey while it has the focus:
# Return and Space pressed after it press nothing, neither 終了 nor anything else.
grey_button_presses_nothing() {
    click 208 40 105 49 # データー入力: empties the grid
    click 134 628 70 28 # 入力終了: no records
    click 720 40 89 49  # グラフ表示
    xdotool key Return Return space space
    sleep 1
    question_shown && fail "Return after グラフ表示 turned grey asked the exit question"
    still_running || fail "Return after グラフ表示 turned grey ended the program"
}

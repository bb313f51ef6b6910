# Sourced by the end-to-end scripts: `exit_through_question` ends the program (`pid`) through 終了 and Yes,
# the default button of the question, and fails unless it exits with status 0. Needs `window`, `click`,
# `poll` and `fail`.
exit_through_question() {
    focus_window "$window"
    click 984 40 73 49 # 終了
    find_question() { question=$(xdotool search --onlyvisible --name 'かくにんメッセージ' 2>/dev/null | head -n 1) && [ -n "$question" ]; }
    poll 10 find_question || fail "the exit question did not appear"
    focus_window "$question"
    xdotool key Return # Yes is the default button
    exited() { ! kill -0 "$pid" 2>/dev/null; }
    poll 15 exited || fail "the program still runs after answering Yes"
    wait "$pid"
    status=$?
    pid=
    [ "$status" = 0 ] || fail "the program exited with $status"
}

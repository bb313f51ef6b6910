# Sourced by the end-to-end scripts once the window is found, `origin_x` and `origin_y` are its client area's
# place on the screen, and `poll` and `fail` are defined: checks the buttons' look at start-up, which a
# screenshot alone shows. They paint their own faces and captions: a yellow face and a black caption where
# they can be clicked, grey and grey where not; here データー入力 and グラフ表示. A face is read at a point
# inside the border, below the caption.
face_of() {
    import -window root -crop "1x1+$((origin_x + $1))+$((origin_y + $2))" +repage -depth 8 txt:- 2>/dev/null |
        awk 'NR == 2 { print $3 }'
}
# The darkest grey (0 to 255) of a rectangle of the window: a caption's ink.
darkest_in() {
    import -window root -crop "${3}x${4}+$((origin_x + $1))+$((origin_y + $2))" +repage -colorspace gray \
        -format '%[fx:int(255 * minima + 0.5)]' info: 2>/dev/null
}
button_looks() {
    [ "$(face_of 212 84)" = "#FFFFC0" ] && [ "$(face_of 724 84)" = "#C8C8C8" ] &&
        [ "$(darkest_in 216 50 89 30)" -lt 64 ] && [ "$(darkest_in 728 50 73 30)" -ge 100 ]
}
poll 10 button_looks || fail "at start-up データー入力 has face $(face_of 212 84) and ink $(darkest_in 216 50 89 30)," \
    "グラフ表示 face $(face_of 724 84) and ink $(darkest_in 728 50 73 30)"
echo "button looks at start-up: yellow and black where available, grey and grey where not"

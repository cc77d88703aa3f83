# Helpers for driving the real program on an X display (run the scripts under xvfb-run).
# Every wait is bounded: a program that hangs fails the test instead of stalling it.

fail() {
    echo "FAIL: $*"
    exit 1
}

# visible_window TITLE: the id of a visible window with exactly that title. Each window's
# UTF-8 name is compared: xdotool's own search ignores case ("zelvane" and "Zelvane" are
# different windows here) and matches WM_NAME, which holds Chinese in another encoding.
visible_window() {
    local id
    for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && { echo "$id"; return 0; }
    done
    return 1
}

# wait_for_window TITLE: prints the window's id once it is visible, or fails.
wait_for_window() {
    local tries=0
    while [ $tries -lt 100 ]; do
        visible_window "$1" && return 0
        sleep 0.2
        tries=$((tries + 1))
    done
    return 1
}

window_visible() {
    visible_window "$1" >/dev/null
}

press_key() { # window key
    xdotool windowfocus --sync "$1" && xdotool key "$2"
}

click_at() { # window x y, relative to the window
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

# pixel_colour window x y: the colour on screen as #RRGGBB.
pixel_colour() {
    local x y
    eval "$(xdotool getwindowgeometry --shell "$1")" # sets X and Y
    x=$((X + $2))
    y=$((Y + $3))
    import -window root -crop "1x1+$x+$y" -depth 8 txt:- | tail -n1 | grep -o '#[0-9A-F]\{6\}' | head -n1
}

# wait_for_colour window x y #RRGGBB: until the screen shows it there (a repaint may lag).
wait_for_colour() {
    local tries=0
    while [ $tries -lt 50 ]; do
        [ "$(pixel_colour "$1" "$2" "$3")" = "$4" ] && return 0
        sleep 0.2
        tries=$((tries + 1))
    done
    return 1
}

# wait_for_exit pid: the exit status, or fails if the process does not end.
wait_for_exit() {
    local tries=0
    while kill -0 "$1" 2>/dev/null && [ $tries -lt 100 ]; do
        sleep 0.2
        tries=$((tries + 1))
    done
    kill -0 "$1" 2>/dev/null && { kill -9 "$1"; fail "the program did not end"; }
    wait "$1"
}

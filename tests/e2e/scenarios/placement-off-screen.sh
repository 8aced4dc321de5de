# A stored placement far off the screen, one too big for any memory, one whose width overflows,
# and one saved at another scale: each start shows the whole window with its title bar on the
# 1280x800 screen, and the close writes back what was shown.


# place NAME LEFT TOP RIGHT BOTTOM [ENV...]: starts with the placement, checks and closes.
place() {
    local name=$1
    printf '[WNDSTATUS]\nLEFT=%s\nTOP=%s\nRIGHT=%s\nBOTTOM=%s\nSHOWCMD=1\n' "$2" "$3" "$4" "$5" > "$conf"
    shift 5
    env "$@" "$zelmora" >>"$work/zelmora.log" 2>&1 &
    app=$!
    local main
    main=$(wait_window '^Unbenannt - Zelmora$') || fail "$name: main window"
    sleep 1
    # The window itself (xdotool would add the frame's offsets) and the frame's height above it.
    local info X Y WIDTH HEIGHT top
    info=$(xwininfo -id "$main")
    X=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    Y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    WIDTH=$(sed -n 's/^ *Width: *//p' <<<"$info")
    HEIGHT=$(sed -n 's/^ *Height: *//p' <<<"$info")
    top=$(xprop -id "$main" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *[0-9]*, *[0-9]*, *\([0-9]*\),.*/\1/p')
    top=${top:-0}
    check "$name: on the screen" yes "$([ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le 1280 ] &&
        [ $((Y + HEIGHT)) -le 800 ] && echo yes || echo "no: $X,$Y ${WIDTH}x$HEIGHT")"
    check "$name: title bar in reach" yes "$([ $((Y - top)) -ge 0 ] && echo yes || echo "no: top $Y, title $top")"
    activate "$main"
    xdotool key ctrl+b
    check "$name: ended" yes "$(ended)"
    local left right
    left=$(sed -n 's/^LEFT=//p' "$conf")
    right=$(sed -n 's/^RIGHT=//p' "$conf")
    check "$name: the shown placement written back" yes \
        "$([ "$left" -ge 0 ] && [ "$right" -le 1280 ] && [ "$right" -gt "$left" ] && echo yes || echo "no: $left-$right")"
}

place "far off" 5000 4000 5600 4400
place "4 GB" 100 100 16777215 16777215
place "overflow" -2147483648 -2147483648 2147483647 2147483647
place "scale 2" 100 100 700 500 QT_SCALE_FACTOR=2

#!/usr/bin/env bash
# The picture on a desktop of one size, with a window manager: full screen fills
# the height with the 4:3 picture, which matches the simulator's frame scaled
# (pixel for pixel with Scaling=integer, within a small tolerance with sharp);
# a window at every Scale fits the desktop, one that does not is reduced with a
# line on standard error, and the unscaled window shows the frame pixel for pixel.
# With "no-shared-memory" the X server cannot share memory with the game (as a remote
# one cannot), and the same must hold for the frames sent the other way.
# Usage: screen-fit.sh BUILD_DIR SCREEN [no-shared-memory]   (SCREEN e.g. 1366x768)
E2E_NAME=${E2E_NAME:-screen-fit}
source "$(dirname "$0")/lib.sh"
e2e_require Xvfb xdotool xdpyinfo xwininfo xprop openbox import convert compare
build=${1:?usage: screen-fit.sh BUILD_DIR SCREEN [no-shared-memory]}
E2E_SCREEN=${2:?usage: screen-fit.sh BUILD_DIR SCREEN [no-shared-memory]}
[ "${3:-}" = no-shared-memory ] && E2E_XVFB_ARGS="-extension MIT-SHM"
screen_w=${E2E_SCREEN%x*}
screen_h=${E2E_SCREEN#*x}

e2e_prepare "$build" "${ZOLVEX_E2E_EXE:-zolvex}"
sim=$(cd "$build" && pwd)/zolvex-sim
[ -x "$sim" ] || e2e_fail "$sim is missing; build it first"
e2e_start_xvfb
e2e_start_wm

# The level's empty top 10 stands still, so the simulator's frame of it is the
# frame the real game shows.
(cd "$E2E_DIR" && printf 'wait 500\nkey F1\nwait 500\nshot %s/sim.bmp\n' "$E2E_DIR" |
    "$sim" >/dev/null) || e2e_fail "the simulator could not draw the ranking"

# geometry of the game's window: "W H X Y"
window_geometry() {
    xwininfo -id "$E2E_WINDOW" |
        awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
             /Width:/ {w=$NF} /Height:/ {h=$NF} END {print w, h, x, y}'
}

stop_game() {
    kill -TERM "$E2E_GAME_PID" 2>/dev/null
    e2e_wait_exit 10
}

# --- Full screen, in each way of scaling.
for scaling in integer sharp; do
    printf '[Display]\nScaling=%s\n' "$scaling" >"$E2E_DIR/zolvex.ini"
    e2e_launch
    e2e_find_window
    sleep 1
    e2e_key F1
    sleep 1
    read -r w h x y < <(window_geometry)
    [ "$w" = "$screen_w" ] && [ "$h" = "$screen_h" ] ||
        e2e_fail "$scaling: the full-screen window is $w x $h, not the screen's $screen_w x $screen_h"
    if [ "$scaling" = integer ]; then
        k=$(( screen_w / 640 < screen_h / 480 ? screen_w / 640 : screen_h / 480 ))
        pw=$((640 * k)); ph=$((480 * k))
    else
        ph=$screen_h; pw=$((screen_h * 4 / 3))
        [ "$pw" -gt "$screen_w" ] && { pw=$screen_w; ph=$((screen_w * 3 / 4)); }
    fi
    px=$(( (screen_w - pw) / 2 )); py=$(( (screen_h - ph) / 2 ))
    import -window root "$E2E_DIR/full-$scaling.png" || e2e_fail "cannot take a screenshot"
    convert "$E2E_DIR/full-$scaling.png" -crop "${pw}x${ph}+${px}+${py}" +repage \
        "$E2E_DIR/picture-$scaling.png"
    [ -n "${ZOLVEX_E2E_SHOTS:-}" ] && cp "$E2E_DIR/full-$scaling.png" \
        "$ZOLVEX_E2E_SHOTS/fullscreen-${E2E_SCREEN}-$scaling.png"
    if [ "$scaling" = integer ]; then
        convert "$E2E_DIR/sim.bmp" -sample "${pw}x${ph}!" "$E2E_DIR/expected-$scaling.png"
        differ=$(compare -metric AE "$E2E_DIR/picture-$scaling.png" \
            "$E2E_DIR/expected-$scaling.png" null: 2>&1 | sed 's/[^0-9].*//')
        [ "$differ" = 0 ] || e2e_fail "integer: $differ pixels differ from the simulator's frame x$k"
    else
        convert "$E2E_DIR/sim.bmp" -filter Triangle -resize "${pw}x${ph}!" \
            "$E2E_DIR/expected-$scaling.png"
        rmse=$(compare -metric RMSE "$E2E_DIR/picture-$scaling.png" \
            "$E2E_DIR/expected-$scaling.png" null: 2>&1 | sed 's/.*(\(.*\)).*/\1/')
        e2e_expect_less "sharp: RMS difference from the simulator's frame scaled" "$rmse" 0.05
        e2e_log "sharp: RMS difference $rmse from the simulator's frame scaled smoothly"
    fi
    # Black bars only on the sides that need them: all black once the picture is.
    bars=$(convert "$E2E_DIR/full-$scaling.png" -fill black \
        -draw "rectangle $px,$py $((px + pw - 1)),$((py + ph - 1))" -format '%[fx:maxima]' info:)
    [ "$bars" = 0 ] || e2e_fail "$scaling: the bars beside the picture are not all black"
    if [ "${3:-}" != no-shared-memory ]; then
        # The memory shared with the X server holds the picture, not the bars.
        shared=$(awk '/^RssShmem:/ {print $2}' "/proc/$E2E_GAME_PID/status")
        e2e_expect_less "$scaling: KiB of shared memory for a ${pw}x${ph} picture" "$shared" \
            $((pw * ph * 4 / 1024 + 64))
    fi
    e2e_log "full screen, $scaling: the picture is ${pw}x${ph} at $px,$py"
    stop_game
done

# --- A window at every Scale fits the desktop.
for scale in 1 2 3 4; do
    printf '[Display]\nWindowed=1\nScale=%s\n' "$scale" >"$E2E_DIR/zolvex.ini"
    e2e_launch
    e2e_find_window
    sleep 0.5
    read -r w h x y < <(window_geometry)
    [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$screen_w" ] &&
        [ $((y + h)) -le "$screen_h" ] ||
        e2e_fail "Scale=$scale: a window of $w x $h at $x,$y leaves the $E2E_SCREEN desktop"
    if [ "$w" -lt $((640 * scale)) ]; then
        grep -q "does not fit the desktop" "$E2E_DIR/stderr.txt" ||
            e2e_fail "Scale=$scale was reduced to $w x $h without a word"
    else
        [ "$w" = $((640 * scale)) ] && [ "$h" = $((480 * scale)) ] ||
            e2e_fail "Scale=$scale: the window is $w x $h"
    fi
    if [ "$scale" = 1 ] && [ "$w" = 640 ]; then
        # Unscaled, the window shows the frame itself, pixel for pixel.
        e2e_key F1
        sleep 1
        import -window "$E2E_WINDOW" "$E2E_DIR/window.png" || e2e_fail "cannot take a screenshot"
        differ=$(compare -metric AE "$E2E_DIR/window.png" "$E2E_DIR/sim.bmp" null: 2>&1 |
            sed 's/[^0-9].*//')
        [ "$differ" = 0 ] || e2e_fail "Scale=1: $differ pixels differ from the simulator's frame"
    fi
    e2e_log "Scale=$scale: a window of $w x $h at $x,$y"
    stop_game
done
exit 0

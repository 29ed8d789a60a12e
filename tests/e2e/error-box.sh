#!/usr/bin/env bash
# A shared picture that cannot be loaded shows the error box in the game's own
# window: the game's text with the reason below it, which names the picture.
# SIGTERM closes it and ends the run with status 1 within a second; SIGKILL takes
# the box with it. No process of the game is left either way.
# Usage: error-box.sh BUILD_DIR
E2E_NAME=error-box
source "$(dirname "$0")/lib.sh"
e2e_require Xvfb xdotool xdpyinfo import convert compare
build=${1:?usage: error-box.sh BUILD_DIR}

e2e_prepare "$build" "${ZOLVEX_E2E_EXE:-zolvex}"
e2e_start_xvfb

# show_box PICTURE SHOT: the run with PICTURE broken, its box taken as SHOT.png.
show_box() {
    cp -r "$build/bmp" "$E2E_DIR/"
    head -c 4000 /dev/zero >"$E2E_DIR/bmp/$1"
    e2e_launch
    e2e_find_window
    e2e_expect_drawn "$2"
    grep -q "^zolvex: .*bmp/$1" "$E2E_DIR/stderr.txt" || e2e_fail "no line naming bmp/$1"
    children=$(pgrep -P "$E2E_GAME_PID")
    [ -z "$children" ] || e2e_fail "the box runs in processes of its own: $children"
}

show_box mback.bmp box-mback
start_ns=$(date +%s%N)
kill -TERM "$E2E_GAME_PID"
e2e_wait_exit 1
[ "$E2E_STATUS" -eq 1 ] || e2e_fail "exit status $E2E_STATUS after SIGTERM, expected 1"
e2e_log "SIGTERM ended the box in $(( ($(date +%s%N) - start_ns) / 1000000 )) ms with status 1"

show_box title.bmp box-title
kill -KILL "$E2E_GAME_PID"
wait "$E2E_GAME_PID" 2>/dev/null
E2E_GAME_PID=""
sleep 0.3
left=$(xdotool search --name '^zolvex$' 2>/dev/null)
[ -z "$left" ] || e2e_fail "a window titled zolvex is left after SIGKILL"

# The two boxes differ only in the reason, which names the picture.
reason=$(e2e_diff "$E2E_DIR/box-mback.png" "$E2E_DIR/box-title.png")
e2e_expect_more "pixels of the reasons that differ between the two boxes" "$reason" 50
e2e_log "the box shows the reason ($reason pixels differ between mback.bmp and title.bmp)"

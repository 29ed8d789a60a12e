#!/usr/bin/env bash
# Alt+Enter and F11 with a window manager: they switch between full screen and a
# decorated window on the title screen, during a game and while a name is typed,
# and never reach the game as keys (the title stays, the game does not pause,
# the name keeps its letters); the choice, the window's size and place are kept
# in the settings and restored on the next start.
# Usage: screen-switch.sh BUILD_DIR
E2E_NAME=${E2E_NAME:-screen-switch}
source "$(dirname "$0")/lib.sh"
e2e_require Xvfb xdotool xdpyinfo xwininfo xprop openbox import convert compare
build=${1:?usage: screen-switch.sh BUILD_DIR}
E2E_SCREEN=1366x768

e2e_prepare "$build" "${ZOLVEX_E2E_EXE:-zolvex}"
e2e_start_xvfb
e2e_start_wm
printf '[Display]\nWindowed=0\n' >"$E2E_DIR/zolvex.ini"

window_size() { xwininfo -id "$E2E_WINDOW" | awk '/Width:/ {w=$NF} /Height:/ {h=$NF} END {print w "x" h}'; }
fullscreen() { xprop -id "$E2E_WINDOW" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN; }
decorated() { xprop -id "$E2E_WINDOW" _NET_FRAME_EXTENTS | grep -q '= [0-9]*, [0-9]*, [1-9]'; }
# The switch takes effect at once but the window system settles a little later.
switch() {
    e2e_key "$1"
    sleep 1
}
# e2e_shot takes the window's top-left 640 x 480: the picture in a 640 x 480 window.
picture() { e2e_shot "$1"; }

e2e_launch
e2e_find_window
e2e_expect_drawn title
fullscreen && [ "$(window_size)" = 1366x768 ] || e2e_fail "the game did not open full screen"
sleep 0.3

# --- On the title screen: Alt+Enter gives a window, F11 full screen again; the
# title stays (Enter would have opened the start screen).
switch alt+Return
fullscreen && e2e_fail "Alt+Enter did not leave full screen"
[ "$(window_size)" = 640x480 ] || e2e_fail "the window is $(window_size), not 640x480"
decorated || e2e_fail "the window has no title bar"
picture title-window
title_white=$(e2e_count_color "$E2E_DIR/title-window.png" 200x20+185+340 white)
e2e_expect_more "white pixels of the level names after Alt+Enter" "$title_white" 200
switch F11
fullscreen || e2e_fail "F11 did not return to full screen"
switch F11
e2e_log "title screen: switched three times, still on the title"

# --- During a game (from the window): switching neither pauses it nor loses it.
e2e_key Return
sleep 0.6
e2e_key Return
sleep 1.5
switch alt+Return
fullscreen || e2e_fail "Alt+Enter during the game did not go full screen"
switch alt+Return
switch F11
switch F11
fullscreen && e2e_fail "the game did not come back to its window"
picture play-a
sleep 1
picture play-b
blue=$(e2e_count_color "$E2E_DIR/play-b.png" 160x26+140+166 blue)
e2e_expect_less "blue pause-banner pixels after switching" "$blue" 50
moved=$(e2e_diff "$E2E_DIR/play-a.png" "$E2E_DIR/play-b.png" 320x440+30+6)
e2e_expect_more "board pixels changed after switching (the game goes on)" "$moved" 100
e2e_log "playing: switched four times, the game went on"

# --- A paused game stays paused through a switch.
e2e_key Return
sleep 0.4
switch F11
switch F11
picture paused
blue=$(e2e_count_color "$E2E_DIR/paused.png" 160x26+140+166 blue)
e2e_expect_more "blue pause-banner pixels after switching while paused" "$blue" 300
e2e_key Return
sleep 0.3

# --- The ranking's name entry: letters typed before and after a switch are kept.
xdotool keydown Down
sleep 0.6
xdotool keyup Down
e2e_give_up_to_ranking
# The screen shows what the keys did at its next tick (every 100 ms): the
# pictures wait for it.
e2e_key Down space
sleep 0.3
picture name-before
switch alt+Return
switch F11
e2e_key Right space
sleep 0.3
picture name-after
# The second letter went into the box at (339, 80): its white shrank.
before=$(e2e_count_color "$E2E_DIR/name-before.png" 110x18+340+81 white)
after=$(e2e_count_color "$E2E_DIR/name-after.png" 110x18+340+81 white)
e2e_expect_less "white pixels of the name box after a second letter" "$after" "$before"
e2e_log "ranking: the name kept its letters through the switches"

# --- Left in a window of another size: the next start restores it.
fullscreen && e2e_fail "F11 did not leave full screen on the ranking screen"
xdotool windowsize "$E2E_WINDOW" 900 700
sleep 1.2
ini=$E2E_DIR/zolvex.ini
[ "$(e2e_ini_value "$ini" Display Windowed)" = 1 ] || e2e_fail "Windowed=1 was not kept"
[ "$(e2e_ini_value "$ini" Display Width)x$(e2e_ini_value "$ini" Display Height)" = 900x700 ] ||
    e2e_fail "the window's size was not kept: $(grep -A9 Display "$ini" | tr '\n' ' ')"
kill -TERM "$E2E_GAME_PID"
e2e_wait_exit 10
e2e_launch
e2e_find_window
e2e_expect_drawn restored
fullscreen && e2e_fail "the next start was full screen, not the window kept"
[ "$(window_size)" = 900x700 ] || e2e_fail "the next start's window is $(window_size), not 900x700"
e2e_log "the window's mode and size were kept and restored"
kill -TERM "$E2E_GAME_PID"
e2e_wait_exit 10
exit 0

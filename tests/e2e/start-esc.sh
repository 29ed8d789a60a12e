#!/usr/bin/env bash
# The real game starts on the title screen, Esc shows the farewell screen and
# the program ends by itself with status 0, leaving the music switch written.
# With no session bus to reach, it starts none (a dbus-launch on the path never runs).
# Usage: start-esc.sh BUILD_DIR
E2E_NAME=start-esc
source "$(dirname "$0")/lib.sh"
e2e_require Xvfb xdotool xdpyinfo import convert compare
build=${1:?usage: start-esc.sh BUILD_DIR}

e2e_prepare "$build" "${ZOLVEX_E2E_EXE:-zolvex}"
mkdir -p "$E2E_DIR/bin"
printf '#!/bin/sh\ntouch "%s/dbus-launch-ran"\nexit 1\n' "$E2E_DIR" >"$E2E_DIR/bin/dbus-launch"
chmod +x "$E2E_DIR/bin/dbus-launch"
export PATH="$E2E_DIR/bin:$PATH"
unset DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR
e2e_start_xvfb
e2e_launch
e2e_find_window

e2e_expect_drawn title
[ ! -e "$E2E_DIR/dbus-launch-ran" ] || e2e_fail "the game ran dbus-launch to start a session bus"
title_mean=$(e2e_mean "$E2E_DIR/title.png")
e2e_log "title screen shown (mean brightness $title_mean)"

e2e_key Escape
sleep 0.5
e2e_shot farewell
farewell_mean=$(e2e_mean "$E2E_DIR/farewell.png")
# A black screen with three lines of text and the credit line.
e2e_expect_less "farewell brightness" "$farewell_mean" "$title_mean"
white=$(e2e_count_color "$E2E_DIR/farewell.png" 640x480+0+0 white)
e2e_expect_more "white text pixels on the farewell screen" "$white" 200
changed=$(e2e_diff "$E2E_DIR/title.png" "$E2E_DIR/farewell.png")
e2e_expect_more "pixels changed from title to farewell" "$changed" 100000
e2e_log "farewell screen shown ($white white pixels)"

# The farewell screen stays two seconds of its timer, then the program ends.
e2e_wait_exit 4
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS, expected 0"

bgm=$(e2e_ini_value "$E2E_DIR/zolvex.ini" BGM BGM)
[ "$bgm" = "1" ] || e2e_fail "zolvex.ini holds BGM=$bgm in [BGM], expected 1"
windowed=$(e2e_ini_value "$E2E_DIR/zolvex.ini" Display Windowed)
[ "$windowed" = "1" ] || e2e_fail "the [Display] section was lost from zolvex.ini"
e2e_log "ended with status 0; zolvex.ini holds BGM=1"

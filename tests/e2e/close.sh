#!/usr/bin/env bash
# The system's close command ends the game from any screen with status 0:
# the window manager's close request (WM_DELETE_WINDOW) on the title screen,
# or SIGTERM during play.
# Usage: close.sh BUILD_DIR window|sigterm
E2E_NAME=close-${2:-}
source "$(dirname "$0")/lib.sh"
e2e_require Xvfb xdotool xdpyinfo import convert compare python3
build=${1:?usage: close.sh BUILD_DIR window|sigterm}
how=${2:?usage: close.sh BUILD_DIR window|sigterm}

e2e_prepare "$build" "${ZOLVEX_E2E_EXE:-zolvex}"
e2e_start_xvfb
e2e_launch
e2e_find_window
e2e_expect_drawn title

case $how in
    window)
        python3 "$(dirname "$0")/close-window.py" "$E2E_WINDOW" ||
            e2e_fail "the close request could not be sent"
        ;;
    sigterm)
        sleep 0.3
        e2e_key Return
        sleep 0.3
        e2e_key Return
        sleep 1
        kill -TERM "$E2E_GAME_PID"
        ;;
    *) e2e_fail "unknown way to close: $how" ;;
esac
e2e_wait_exit 3
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS, expected 0"
e2e_log "closed by $how; status 0"

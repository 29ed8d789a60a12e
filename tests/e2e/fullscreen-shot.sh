#!/usr/bin/env bash
# A game in progress, full screen on a 1920 x 1080 desktop with a window manager,
# saved as fullscreen.png in $ZOLVEX_E2E_SHOTS (for docs/screens).
# Usage: fullscreen-shot.sh BUILD_DIR
E2E_NAME=${E2E_NAME:-fullscreen-shot}
source "$(dirname "$0")/lib.sh"
e2e_require Xvfb xdotool xdpyinfo openbox import
build=${1:?usage: fullscreen-shot.sh BUILD_DIR}
[ -d "${ZOLVEX_E2E_SHOTS:-}" ] || e2e_fail "ZOLVEX_E2E_SHOTS must name a folder"
E2E_SCREEN=1920x1080

e2e_prepare "$build" "${ZOLVEX_E2E_EXE:-zolvex}"
e2e_start_xvfb
e2e_start_wm
printf '[Display]\nWindowed=0\n' >"$E2E_DIR/zolvex.ini"
e2e_launch
e2e_find_window
sleep 1
e2e_key Return
sleep 0.6
e2e_key Return
sleep 1
e2e_key Left space Right Right space
sleep 6
import -window root "$ZOLVEX_E2E_SHOTS/fullscreen.png" || e2e_fail "cannot take the screenshot"
exit 0

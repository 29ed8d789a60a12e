#!/usr/bin/env bash
# Without any display the game says so in one line on standard error and
# ends with status 1 within a few seconds.
# Usage: no-display.sh BUILD_DIR
E2E_NAME=no-display
source "$(dirname "$0")/lib.sh"
build=${1:?usage: no-display.sh BUILD_DIR}

e2e_prepare "$build" "${ZOLVEX_E2E_EXE:-zolvex}"
# XDG_RUNTIME_DIR too: with it, a desktop's default Wayland socket would be found.
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER XDG_RUNTIME_DIR
e2e_launch
e2e_wait_exit 5
[ "$E2E_STATUS" -eq 1 ] || e2e_fail "exit status $E2E_STATUS, expected 1"
grep -q '^zolvex: .*display' "$E2E_DIR/stderr.txt" ||
    e2e_fail "no line about the missing display on standard error"
e2e_log "status 1: $(grep -m1 '^zolvex: .*display' "$E2E_DIR/stderr.txt")"

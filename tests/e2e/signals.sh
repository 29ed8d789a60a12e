#!/usr/bin/env bash
# The name being typed on the ranking screen survives the ways a run can be cut
# short from outside:
#   hangup         SIGHUP (the terminal went away) is the close command: the
#                  table is stored and the game ends with status 0;
#   display-lost   the X server goes away: the table is stored and the game ends
#                  with status 1 after one line on standard error;
#   closed-stderr  standard error is a pipe nobody reads: the lines written
#                  there (a missing sound here) do not end the game.
# Usage: signals.sh BUILD_DIR hangup|display-lost|closed-stderr
E2E_NAME=signals-${2:-}
source "$(dirname "$0")/lib.sh"
e2e_require Xvfb xdotool xdpyinfo import convert compare python3
build=${1:?usage: signals.sh BUILD_DIR hangup|display-lost|closed-stderr}
how=${2:?usage: signals.sh BUILD_DIR hangup|display-lost|closed-stderr}

e2e_prepare "$build" "${ZOLVEX_E2E_EXE:-zolvex}"
e2e_start_xvfb
if [ "$how" = closed-stderr ]; then
    # The sound of a typed letter is missing, so typing writes a line.
    rm "$E2E_DIR/wav/pause.wav"
    # Standard error is a pipe whose reader has gone before the game starts; the
    # game is started with SIGPIPE as a shell would leave it.
    (cd "$E2E_DIR" && SDL_AUDIODRIVER=dummy exec python3 -c '
import os, signal, sys
signal.signal(signal.SIGPIPE, signal.SIG_DFL)
r, w = os.pipe()
os.close(r)
os.dup2(w, 2)
os.execv("./zolvex", ["./zolvex"])') >"$E2E_DIR/stdout.txt" &
    E2E_GAME_PID=$!
else
    e2e_launch
fi
e2e_find_window
e2e_reach_ranking
e2e_log "ranking screen shown, name typed"

case $how in
    hangup)
        kill -HUP "$E2E_GAME_PID"
        e2e_wait_exit 3
        [ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after SIGHUP, expected 0"
        ;;
    display-lost)
        kill "$E2E_XVFB_PID"
        wait "$E2E_XVFB_PID" 2>/dev/null
        E2E_XVFB_PID=""
        e2e_wait_exit 5
        [ "$E2E_STATUS" -eq 1 ] || e2e_fail "exit status $E2E_STATUS without a display, expected 1"
        lines=$(grep -c '^zolvex: .*display' "$E2E_DIR/stderr.txt")
        [ "$lines" -eq 1 ] || e2e_fail "expected one line about the lost display, found $lines"
        ;;
    closed-stderr)
        kill -0 "$E2E_GAME_PID" 2>/dev/null || e2e_fail "the game ended when it wrote a line"
        e2e_key Return
        sleep 0.5
        kill -TERM "$E2E_GAME_PID"
        e2e_wait_exit 3
        [ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS, expected 0"
        ;;
    *) e2e_fail "unknown way to cut the run short: $how" ;;
esac
name=$(e2e_ini_value "$E2E_DIR/score.scr" 10 Name)
[ "$name" = "AB" ] || e2e_fail "score.scr holds Name=$name in [10], expected AB"
e2e_log "$how: status $E2E_STATUS, score.scr holds AB"

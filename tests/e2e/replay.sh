#!/usr/bin/env bash
# Replays through the real binary: a short game leaves a replay that zolvex-sim
# --verify confirms headlessly; R on the title screen plays it in the window with
# the REPLAY notice low on the right, Right speeds it up, Space pauses it, Esc ends it; zolvex
# --replay plays it to its end and exits with status 0; neither writes the
# settings or the rankings.
# Usage: replay.sh BUILD_DIR
E2E_NAME=${E2E_NAME:-replay}
source "$(dirname "$0")/lib.sh"
e2e_require Xvfb xdotool xdpyinfo import convert compare
build=${1:?usage: replay.sh BUILD_DIR}
[ -x "$build/zolvex-sim" ] || e2e_fail "$build/zolvex-sim is missing; build it first"

e2e_prepare "$build" "${ZOLVEX_E2E_EXE:-zolvex}"
e2e_start_xvfb
e2e_launch
e2e_find_window
e2e_expect_drawn title
e2e_enter_start_screen
e2e_key Return
sleep 0.8
e2e_key Left space Right Right space
xdotool keydown Down
sleep 0.5
xdotool keyup Down
sleep 1
e2e_key Escape
sleep 5.5
e2e_key Return
sleep 0.5
replay=$(ls "$E2E_DIR"/replays/level1-*.replay 2>/dev/null | head -1)
[ -n "$replay" ] || e2e_fail "no replay in $E2E_DIR/replays after the game"
e2e_log "recorded $(basename "$replay") ($(wc -c <"$replay") bytes)"

verdict=$(cd "$build" && ./zolvex-sim --verify "$replay" 2>"$E2E_DIR/verify.txt")
status=$?
[ "$status" -eq 0 ] || e2e_fail "zolvex-sim --verify: status $status: $verdict $(cat "$E2E_DIR/verify.txt")"
total=$(sed -n 's/^total //p' "$replay")
echo "$verdict" | grep -q "\"total\":$total[,}]" || e2e_fail "verified $verdict, recorded total $total"
e2e_log "verified headlessly: $verdict"

settings=$(md5sum <"$E2E_DIR/zolvex.ini")
scores=$(md5sum <"$E2E_DIR/score.scr")
# R on the title screen plays the level's best game, with the notice low on the right.
e2e_shot title-before
e2e_key r
sleep 1.8
e2e_shot replay-play
notice=$(e2e_diff "$E2E_DIR/title-before.png" "$E2E_DIR/replay-play.png" 200x34+430+404)
e2e_expect_more "pixels of the REPLAY notice" "$notice" 200
e2e_key Right
sleep 0.3
e2e_shot replay-faster
faster=$(e2e_diff "$E2E_DIR/replay-play.png" "$E2E_DIR/replay-faster.png" 200x34+430+404)
e2e_expect_more "notice pixels changed by the speed" "$faster" 20
e2e_key space
sleep 0.3
e2e_shot replay-paused
sleep 0.8
e2e_shot replay-paused-later
still=$(e2e_diff "$E2E_DIR/replay-paused.png" "$E2E_DIR/replay-paused-later.png" 320x440+30+6)
e2e_expect_less "board pixels changed while the replay is paused" "$still" 1
e2e_key Escape
sleep 0.6
e2e_shot title-after
back=$(e2e_diff "$E2E_DIR/replay-paused.png" "$E2E_DIR/title-after.png")
e2e_expect_more "pixels changed from the replay to the title" "$back" 10000
e2e_key Escape
e2e_wait_exit 5
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after the title's replay"
e2e_log "R played the replay, Right, Space and Esc answered"

# zolvex --replay plays the file to its end at eight times the speed, and ends.
e2e_launch --replay "$replay"
e2e_find_window
sleep 0.5
e2e_key Right Right Right
e2e_wait_exit 20
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "zolvex --replay ended with status $E2E_STATUS"
[ "$(md5sum <"$E2E_DIR/zolvex.ini")" = "$settings" ] || e2e_fail "a replay changed zolvex.ini"
[ "$(md5sum <"$E2E_DIR/score.scr")" = "$scores" ] || e2e_fail "a replay changed score.scr"
[ "$(ls "$E2E_DIR"/replays | wc -l)" -eq 1 ] || e2e_fail "a replay was recorded again"

# A cut file is refused with the line at fault.
head -c 300 "$replay" >"$E2E_DIR/cut.replay"
(cd "$build" && ./zolvex-sim --verify "$E2E_DIR/cut.replay") >/dev/null 2>"$E2E_DIR/cut.txt"
status=$?
[ "$status" -eq 2 ] || e2e_fail "a cut replay gave status $status, expected 2"
grep -q 'line [0-9]' "$E2E_DIR/cut.txt" || e2e_fail "no line named: $(cat "$E2E_DIR/cut.txt")"
e2e_log "zolvex --replay played to the end; nothing was written"

#!/usr/bin/env bash
# A whole game through the real binary: title, start screen, play with the
# Flipper and the fast fall, pause and resume, giving up, the ranking after
# the wait, a name typed with the picker and on the keyboard and stored, the
# view-only ranking, and the way out with status 0.
# Usage: game.sh BUILD_DIR [PLAY_SECONDS]
E2E_NAME=${E2E_NAME:-game}
source "$(dirname "$0")/lib.sh"
e2e_require Xvfb xdotool xdpyinfo import convert compare
build=${1:?usage: game.sh BUILD_DIR [PLAY_SECONDS]}
play_seconds=${2:-3}

e2e_prepare "$build" "${ZOLVEX_E2E_EXE:-zolvex}"
e2e_start_xvfb
e2e_launch
e2e_find_window
e2e_expect_drawn title
e2e_enter_start_screen
# "Put Enter key to Start." in white over the empty board.
start_text=$(e2e_count_color "$E2E_DIR/game-start.png" 200x24+58+198 white)
e2e_expect_more "white pixels of the start line" "$start_text" 100
e2e_log "start screen shown"

e2e_key Return
sleep 1
e2e_shot game-play-early
e2e_key Left Left space Right Right Right space Up
xdotool keydown Down
sleep 0.6
xdotool keyup Down
# The game wakes once per fall tick (43 ms): a frame goes to the X server without
# waiting for its answer, which would wake the game a second time.
wakes() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$E2E_GAME_PID/status"; }
wakes_before=$(wakes)
sleep "$play_seconds"
wakes_per_second=$(( ($(wakes) - wakes_before) / play_seconds ))
e2e_expect_less "the game's wake-ups a second during play" "$wakes_per_second" 35
e2e_shot game-play
# The trio has fallen; the start line went with the first fall tick.
left=$(e2e_diff "$E2E_DIR/game-start.png" "$E2E_DIR/game-play-early.png" 320x440+30+6)
e2e_expect_more "board pixels changed by the first second of play" "$left" 500
moved=$(e2e_diff "$E2E_DIR/game-play-early.png" "$E2E_DIR/game-play.png" 320x440+30+6)
e2e_expect_more "pixels of the board changed during play" "$moved" 500
e2e_log "playing ($moved board pixels changed)"

# The "Pause." box: white text on pure blue at (150, 170).
banner=160x26+140+166
e2e_key Return
sleep 0.4
e2e_shot game-pause
blue_play=$(e2e_count_color "$E2E_DIR/game-play.png" "$banner" blue)
blue_pause=$(e2e_count_color "$E2E_DIR/game-pause.png" "$banner" blue)
e2e_expect_more "blue banner pixels when paused" "$blue_pause" 300
e2e_expect_less "blue banner pixels during play" "$blue_play" 50
sleep 1
e2e_shot game-pause-later
still=$(e2e_diff "$E2E_DIR/game-pause.png" "$E2E_DIR/game-pause-later.png" 320x440+30+6)
e2e_expect_less "board pixels changed while paused" "$still" 1
e2e_log "paused: the banner shows and the board stands still"

e2e_key Return
sleep 1
e2e_shot game-resumed
blue=$(e2e_count_color "$E2E_DIR/game-resumed.png" "$banner" blue)
e2e_expect_less "blue banner pixels after resuming" "$blue" 50
moved=$(e2e_diff "$E2E_DIR/game-pause.png" "$E2E_DIR/game-resumed.png" 320x440+30+6)
e2e_expect_more "board pixels changed after resuming" "$moved" 100
e2e_log "resumed"

e2e_key Escape
over_ns=$(date +%s%N)
sleep 0.5
e2e_shot game-over
blue=$(e2e_count_color "$E2E_DIR/game-over.png" "$banner" blue)
e2e_expect_more "blue pixels of the Game Over box" "$blue" 300
over_text=$(e2e_diff "$E2E_DIR/game-pause.png" "$E2E_DIR/game-over.png" "$banner")
e2e_expect_more "banner pixels differing between Pause. and Game Over" "$over_text" 100
e2e_log "game over"

# The ranking screen follows 4.5 s after the game ended: watch for the new
# entry's line, a white box ten characters wide at (339, 80).
ranking_ms=""
while :; do
    now_ms=$(( ($(date +%s%N) - over_ns) / 1000000 ))
    [ "$now_ms" -gt 9000 ] && break
    e2e_shot ranking-empty
    box=$(e2e_count_color "$E2E_DIR/ranking-empty.png" 110x18+340+81 white)
    if [ "$box" -gt 1000 ]; then
        ranking_ms=$now_ms
        break
    fi
    blue=$(e2e_count_color "$E2E_DIR/ranking-empty.png" "$banner" blue)
    e2e_expect_more "Game Over box $now_ms ms after the end" "$blue" 300
    sleep 0.2
done
[ -n "$ranking_ms" ] || e2e_fail "no ranking screen within 9 s of the end of the game"
# The shot was begun at ranking_ms, so the screen was there by then.
e2e_expect_more "milliseconds from Esc to the ranking screen" "$ranking_ms" 4300
e2e_log "ranking screen shown $ranking_ms ms after Esc"

# Down: the capital letters; Space types A, Right then Space types B.
e2e_key Down space Right space
sleep 0.4
e2e_shot ranking-entry
typed=$(e2e_diff "$E2E_DIR/ranking-empty.png" "$E2E_DIR/ranking-entry.png" 110x18+340+81)
e2e_expect_more "pixels of the typed name in the new entry's box" "$typed" 30
e2e_log "ranking shown, name typed"
# The rest of the name typed on the keyboard, through the X server's text input.
xdotool type --delay 80 "Player7" || e2e_fail "xdotool could not type"
sleep 0.4

e2e_key Return
sleep 0.5
e2e_shot title-again
changed=$(e2e_diff "$E2E_DIR/ranking-entry.png" "$E2E_DIR/title-again.png")
e2e_expect_more "pixels changed from ranking to title" "$changed" 10000
name=$(e2e_ini_value "$E2E_DIR/score.scr" 10 Name)
score=$(e2e_ini_value "$E2E_DIR/score.scr" 10 Score)
[ "$name" = "ABPLAYER7" ] || e2e_fail "score.scr holds Name=$name in [10], expected ABPLAYER7"
e2e_expect_more "stored score of the game" "$((10#${score:-0}))" 0
e2e_log "score.scr holds $name with score $((10#$score))"

# F1 shows the stored table of the selected level, with no entry box.
sleep 0.3
e2e_key F1
sleep 0.5
e2e_shot ranking-view
box=$(e2e_count_color "$E2E_DIR/ranking-view.png" 110x18+340+81 white)
e2e_expect_less "entry box pixels in the view-only table" "$box" 200
changed=$(e2e_diff "$E2E_DIR/ranking-entry.png" "$E2E_DIR/ranking-view.png")
e2e_expect_more "pixels changed from the entry to the view-only table" "$changed" 5000
e2e_key Return
sleep 0.5
e2e_key Escape
e2e_wait_exit 5
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS, expected 0"
name=$(e2e_ini_value "$E2E_DIR/score.scr" 10 Name)
[ "$name" = "ABPLAYER7" ] || e2e_fail "the view-only visit changed the first name to $name"
if [ -s "$E2E_DIR/stderr.txt" ] && grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:' \
    "$E2E_DIR/stderr.txt"; then
    e2e_fail "the sanitizers reported faults"
fi
e2e_log "ended with status 0"

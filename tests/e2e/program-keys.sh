#!/usr/bin/env bash
# The keys the program answers on every screen, through the real binary: on the
# title, during play, paused, while a name is entered and on the farewell screen,
# F7 shows its notice in the top-right corner (gone again a second later), F8, F2
# and F3 leave the levels where they were, and Print Screen saves a PNG. On the
# title H shows the controls card, and the next key closes it. zolvex.ini keeps
# the levels. The card's picture is saved as "controls".
# Usage: program-keys.sh BUILD_DIR
E2E_NAME=program-keys
source "$(dirname "$0")/lib.sh"
e2e_require Xvfb xdotool xdpyinfo import convert compare
build=${1:?usage: program-keys.sh BUILD_DIR}

e2e_prepare "$build" "${ZOLVEX_E2E_EXE:-zolvex}"
e2e_start_xvfb
export XDG_PICTURES_DIR="$E2E_DIR/pictures"
e2e_launch
e2e_find_window
e2e_expect_drawn keys-title
sleep 0.3

# The notice's gold rim in the top-right corner.
corner=180x44+460+4
gold() { e2e_count_color "$1" "$2" "#E8B838"; }
shots=0

# keys_on NAME: the notice, its going, the levels round trip and a screenshot.
keys_on() {
    local name=$1 rim
    e2e_key F7
    sleep 0.15
    e2e_shot "$name-notice"
    rim=$(gold "$E2E_DIR/$name-notice.png" "$corner")
    e2e_expect_more "$name: gold pixels of the notice's rim" "$rim" 150
    e2e_key F8 F2 F2 F3 F3
    sleep 1.5
    e2e_shot "$name-after"
    rim=$(gold "$E2E_DIR/$name-after.png" "$corner")
    e2e_expect_less "$name: gold pixels once the notice has gone" "$rim" 40
    e2e_key Print
    shots=$((shots + 1))
    e2e_log "$name: notice shown and gone, screenshot $shots asked for"
}

keys_on title
e2e_key h
sleep 0.3
e2e_shot controls
rim=$(gold "$E2E_DIR/controls.png" 584x4+28+8)
e2e_expect_more "gold pixels of the card's top rim" "$rim" 1000
e2e_key Return
sleep 0.3
e2e_shot title-again
rim=$(gold "$E2E_DIR/title-again.png" 584x4+28+8)
e2e_expect_less "gold pixels of the card's rim after a key" "$rim" 50
# Still the title: the chosen level in red.
red=$(e2e_count_color "$E2E_DIR/title-again.png" 200x26+180+306 red)
e2e_expect_more "red pixels of the chosen level after the key that closed the card" "$red" 200
e2e_log "the card came and went; the key that closed it started nothing"

e2e_key Return
sleep 0.5
e2e_key Return
sleep 0.5
xdotool keydown Down
sleep 0.5
xdotool keyup Down
keys_on play
e2e_key Return
sleep 0.3
keys_on paused
e2e_key Return
e2e_give_up_to_ranking
keys_on ranking
e2e_key Return
sleep 0.5
e2e_key Escape
sleep 0.2
e2e_key F7
sleep 0.1
e2e_shot farewell-notice
rim=$(gold "$E2E_DIR/farewell-notice.png" "$corner")
e2e_expect_more "farewell: gold pixels of the notice's rim" "$rim" 150
e2e_key F8 Print
shots=$((shots + 1))
e2e_wait_exit 6
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS, expected 0"

music=$(e2e_ini_value "$E2E_DIR/zolvex.ini" Sound Music)
effects=$(e2e_ini_value "$E2E_DIR/zolvex.ini" Sound Effects)
[ "$music" = 85 ] && [ "$effects" = 100 ] ||
    e2e_fail "zolvex.ini holds Music=$music Effects=$effects, expected 85 and 100"
saved=$(find "$XDG_PICTURES_DIR/zolvex" -name 'zolvex-*.png' | wc -l)
[ "$saved" -eq "$shots" ] || e2e_fail "$saved screenshots saved, expected $shots"
said=$(grep -c '^zolvex: screenshot saved as ' "$E2E_DIR/stdout.txt")
[ "$said" -eq "$shots" ] || e2e_fail "$said lines name a screenshot, expected $shots"
size=$(identify -format '%wx%h' "$(find "$XDG_PICTURES_DIR/zolvex" -name 'zolvex-*.png' | head -1)")
[ "$size" = 640x480 ] || e2e_fail "a screenshot of $size, expected 640x480"
e2e_log "levels kept (Music=$music Effects=$effects), $saved screenshots of 640 x 480"

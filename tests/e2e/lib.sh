# Shared steps of the end-to-end tests: a private copy of the game, a private
# X server, keys through xdotool, screenshots through ImageMagick.
# Sourced by the test scripts, not run.
#
# Each test runs the game from its own temporary folder (the settings and
# ranking files are written beside the executable) on its own Xvfb display,
# so tests never touch the build folder and can run in parallel.
# Exit status 77 means "skipped" (a tool is missing).

set -uo pipefail

E2E_NAME=${E2E_NAME:-e2e}
E2E_DIR=""
E2E_XVFB_PID=""
E2E_GAME_PID=""
E2E_WINDOW=""
E2E_STATUS=""
E2E_FAILED=0

e2e_log() { echo "[$E2E_NAME] $*"; }

e2e_fail() {
    echo "[$E2E_NAME] FAIL: $*" >&2
    E2E_FAILED=1
    exit 1
}

e2e_skip() {
    echo "[$E2E_NAME] SKIP: $*"
    exit 77
}

# Skips the test unless every named command exists.
e2e_require() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || e2e_skip "$tool is not installed"
    done
}

e2e_cleanup() {
    if [ -n "${E2E_WM_PID:-}" ]; then
        kill "$E2E_WM_PID" 2>/dev/null
        wait "$E2E_WM_PID" 2>/dev/null
    fi
    if [ -n "$E2E_GAME_PID" ] && kill -0 "$E2E_GAME_PID" 2>/dev/null; then
        kill -KILL "$E2E_GAME_PID" 2>/dev/null
        wait "$E2E_GAME_PID" 2>/dev/null
    fi
    if [ -n "$E2E_XVFB_PID" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null
        wait "$E2E_XVFB_PID" 2>/dev/null
    fi
    if [ -n "$E2E_DIR" ] && [ -d "$E2E_DIR" ]; then
        if [ "$E2E_FAILED" -ne 0 ] || [ -n "${ZOLVEX_E2E_KEEP:-}" ]; then
            if [ -s "$E2E_DIR/stderr.txt" ]; then
                echo "[$E2E_NAME] the game's standard error:" >&2
                sed 's/^/    /' "$E2E_DIR/stderr.txt" >&2
            fi
            echo "[$E2E_NAME] files kept in $E2E_DIR" >&2
        else
            rm -rf "$E2E_DIR"
        fi
    fi
}

# e2e_prepare BUILD_DIR EXE: copies EXE with the pictures, sounds and tunes
# of BUILD_DIR into a fresh folder and writes a settings file asking for a
# window (there is no window manager to hand a full screen to).
e2e_prepare() {
    local build=$1 exe=$2
    [ -x "$build/$exe" ] || e2e_fail "$build/$exe is missing; build it first"
    E2E_DIR=$(mktemp -d "${TMPDIR:-/tmp}/zolvex-$E2E_NAME.XXXXXX") || e2e_fail "no temporary folder"
    trap 'e2e_cleanup' EXIT
    trap 'E2E_FAILED=1; exit 1' INT TERM
    cp "$build/$exe" "$E2E_DIR/zolvex" || e2e_fail "cannot copy $exe"
    cp -r "$build/bmp" "$build/wav" "$E2E_DIR/" || e2e_fail "cannot copy bmp/ and wav/ from $build"
    cp "$build"/*.mid "$E2E_DIR/" 2>/dev/null || e2e_fail "no tunes (*.mid) in $build"
    cp "$build"/*.wav "$E2E_DIR/" 2>/dev/null || e2e_fail "no rendered tunes (*.wav) in $build"
    printf '[Display]\nWindowed=1\n' >"$E2E_DIR/zolvex.ini"
}

# Starts a private X server (of E2E_SCREEN pixels, 1024x768 unless set) and
# exports DISPLAY. The number is drawn at random from a wide range: X clients
# try the abstract socket of a display first, and those are shared with every
# process in the same network namespace (a fresh root shares them with its host
# while its /tmp, where the lock files live, is its own), so the low numbers an
# X server picks for itself may already answer for someone else's server. A
# number taken meanwhile makes that server exit at once, and another is drawn.
e2e_start_xvfb() {
    local tries i n
    for tries in 1 2 3 4 5; do
        n=$((1000 + (RANDOM * 32768 + RANDOM) % 60000))
        [ -e "/tmp/.X$n-lock" ] && continue
        # -noreset: without it the server starts over whenever its last client leaves
        # (the xdpyinfo below), and a game connecting meanwhile is turned away.
        # shellcheck disable=SC2086 # E2E_XVFB_ARGS: more options, split as words
        Xvfb ":$n" -nolisten tcp -noreset -screen 0 "${E2E_SCREEN:-1024x768}x24" \
            ${E2E_XVFB_ARGS:-} >"$E2E_DIR/xvfb.log" 2>&1 &
        E2E_XVFB_PID=$!
        for i in $(seq 1 50); do
            kill -0 "$E2E_XVFB_PID" 2>/dev/null || break
            if xdpyinfo -display ":$n" >/dev/null 2>&1 && kill -0 "$E2E_XVFB_PID" 2>/dev/null; then
                export DISPLAY=":$n"
                unset WAYLAND_DISPLAY
                return 0
            fi
            sleep 0.1
        done
        kill "$E2E_XVFB_PID" 2>/dev/null
        wait "$E2E_XVFB_PID" 2>/dev/null
        E2E_XVFB_PID=""
    done
    e2e_fail "no X server could be started: $(tail -1 "$E2E_DIR/xvfb.log")"
}

# Starts a window manager on the private server, for decorations, full screen
# and moving; waits until it has taken the screen.
e2e_start_wm() {
    local try i
    for try in 1 2 3; do
        openbox >"$E2E_DIR/wm.log" 2>&1 &
        E2E_WM_PID=$!
        for i in $(seq 1 50); do
            xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
            kill -0 "$E2E_WM_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill "$E2E_WM_PID" 2>/dev/null
        wait "$E2E_WM_PID" 2>/dev/null
        sleep 0.5
    done
    e2e_fail "the window manager did not start: $(tail -1 "$E2E_DIR/wm.log")"
}

# Starts the copied game in its folder (which is also its working folder).
e2e_launch() {
    (cd "$E2E_DIR" && SDL_AUDIODRIVER=dummy exec ./zolvex "$@") >"$E2E_DIR/stdout.txt" \
        2>"$E2E_DIR/stderr.txt" &
    E2E_GAME_PID=$!
    E2E_START_NS=$(date +%s%N)
}

# Waits for the window titled "zolvex" and gives it the keyboard.
e2e_find_window() {
    local i
    for i in $(seq 1 100); do
        # Only once shown: the window is created hidden and shown when ready.
        E2E_WINDOW=$(xdotool search --onlyvisible --name '^zolvex$' 2>/dev/null | head -1)
        if [ -n "$E2E_WINDOW" ]; then
            xdotool windowfocus --sync "$E2E_WINDOW" >/dev/null 2>&1 ||
                xdotool windowfocus "$E2E_WINDOW" >/dev/null 2>&1
            return 0
        fi
        kill -0 "$E2E_GAME_PID" 2>/dev/null || e2e_fail "the game ended before showing a window"
        sleep 0.1
    done
    e2e_fail "no window titled zolvex within 10 s"
}

# Keys by their X names (Return, Escape, space, Left, F1 ...), one after another.
# The focus is given again first: without a window manager nothing keeps it
# on the window if the window is shown again or recreated.
e2e_key() {
    xdotool windowfocus --sync "$E2E_WINDOW" >/dev/null 2>&1
    xdotool key --delay 80 "$@" || e2e_fail "xdotool could not send $*"
}

# e2e_shot NAME: the window's 640 x 480 picture as NAME.png in the test folder;
# also copied to $ZOLVEX_E2E_SHOTS when that names a folder.
e2e_shot() {
    local name=$1 file="$E2E_DIR/$1.png" i
    for i in 1 2 3; do
        import -window "$E2E_WINDOW" -crop 640x480+0+0 +repage "$file" 2>"$E2E_DIR/import.log" &&
            break
        [ "$i" -eq 3 ] && e2e_fail "cannot take the screenshot $name: $(head -1 "$E2E_DIR/import.log")"
        sleep 0.3
    done
    if [ -n "${ZOLVEX_E2E_SHOTS:-}" ]; then
        cp "$file" "$ZOLVEX_E2E_SHOTS/$name.png"
    fi
}

# Mean brightness of a picture, 0 to 1.
e2e_mean() {
    convert "$1" -colorspace Gray -format '%[fx:mean]' info:
}

# e2e_count_color FILE GEOMETRY COLOR: pixels of COLOR in the region. The
# 16-bit frame widens colours a little unevenly (white comes back as FFFEFF),
# hence the small tolerance.
e2e_count_color() {
    convert "$1" -crop "$2" +repage -fuzz 3% -fill black +opaque "$3" -fill white -opaque "$3" \
        -colorspace Gray -format '%[fx:round(mean*w*h)]' info:
}

# e2e_diff A B [GEOMETRY]: number of pixels that differ (in the region).
e2e_diff() {
    local a=$1 b=$2
    if [ $# -ge 3 ]; then
        convert "$1" -crop "$3" +repage "$E2E_DIR/.crop-a.png"
        convert "$2" -crop "$3" +repage "$E2E_DIR/.crop-b.png"
        a="$E2E_DIR/.crop-a.png"
        b="$E2E_DIR/.crop-b.png"
    fi
    compare -metric AE "$a" "$b" null: 2>&1 | sed 's/[^0-9].*//'
}

# e2e_expect_drawn NAME: takes shots until the window shows more than a black
# screen (up to 5 s); fails otherwise.
e2e_expect_drawn() {
    local name=$1 i mean
    for i in $(seq 1 25); do
        e2e_shot "$name"
        mean=$(e2e_mean "$E2E_DIR/$name.png")
        if awk -v m="$mean" 'BEGIN { exit !(m > 0.05) }'; then return 0; fi
        sleep 0.2
    done
    e2e_fail "$name: the window stayed black (mean brightness $mean)"
}

# From the title screen, drawn and shot as title.png, to the game's start screen
# (shot as game-start.png). Enter is ignored until the title screen has drawn once
# (150 ms); and under load the focus can still be settling when the first key is sent
# (a regained focus restarts the title screen, which then ignores Enter until it has
# drawn): up to three tries, each logged. Fails when the start screen never came.
e2e_enter_start_screen() {
    local try changed=0
    sleep 0.3
    for try in 1 2 3; do
        e2e_key Return
        sleep 0.5
        e2e_shot game-start
        changed=$(e2e_diff "$E2E_DIR/title.png" "$E2E_DIR/game-start.png")
        awk -v c="$changed" 'BEGIN { exit !(c > 50000) }' && return 0
        e2e_log "Enter on the title screen not taken (try $try)"
    done
    e2e_expect_more "pixels changed from title to start screen" "$changed" 50000
}

# e2e_expect_more NAME VALUE LIMIT: fails unless VALUE > LIMIT.
e2e_expect_more() {
    awk -v v="$2" -v l="$3" 'BEGIN { exit !(v + 0 > l + 0) }' || e2e_fail "$1: $2 is not above $3"
}

# e2e_expect_less NAME VALUE LIMIT: fails unless VALUE < LIMIT.
e2e_expect_less() {
    awk -v v="$2" -v l="$3" 'BEGIN { exit !(v + 0 < l + 0) }' || e2e_fail "$1: $2 is not below $3"
}

# e2e_wait_exit SECONDS: waits for the game to end; its status goes to
# E2E_STATUS. Fails (and kills it) when it is still running after SECONDS.
e2e_wait_exit() {
    local limit=$1 i
    for i in $(seq 1 $((limit * 10))); do
        kill -0 "$E2E_GAME_PID" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$E2E_GAME_PID" 2>/dev/null; then
        kill -KILL "$E2E_GAME_PID" 2>/dev/null
        wait "$E2E_GAME_PID" 2>/dev/null
        E2E_GAME_PID=""
        e2e_fail "the game was still running $limit s later"
    fi
    wait "$E2E_GAME_PID"
    E2E_STATUS=$?
    E2E_GAME_PID=""
}

# e2e_ini_value FILE SECTION KEY: the value of KEY in [SECTION], empty if none.
e2e_ini_value() {
    awk -v s="[$2]" -v k="$3" '
        { sub(/\r$/, "") }
        /^\[/ { in_section = ($0 == s); next }
        in_section && index($0, k "=") == 1 { print substr($0, length(k) + 2); exit }
    ' "$1"
}

# Esc during a game that scored, then the wait (up to 9 s) for the ranking
# screen's new entry: a white box ten characters wide at (339, 80). Fails if it
# does not come.
e2e_give_up_to_ranking() {
    local over_ns box=0
    e2e_key Escape
    over_ns=$(date +%s%N)
    while [ $(( ($(date +%s%N) - over_ns) / 1000000 )) -lt 9000 ]; do
        e2e_shot ranking
        box=$(e2e_count_color "$E2E_DIR/ranking.png" 110x18+340+81 white)
        [ "$box" -gt 1000 ] && break
        sleep 0.2
    done
    e2e_expect_more "white pixels of the new entry's box" "$box" 1000
}

# From a fresh start to the ranking screen of a game that scored, with the name
# "AB" typed but not yet entered: Enter on the title and on the start screen, a
# fast fall, Esc, the 4.5 s wait, then the picker. Fails if any step is not seen.
e2e_reach_ranking() {
    local try changed
    e2e_expect_drawn title
    # Enter is ignored until the title screen has drawn once (150 ms); under load
    # the focus may still be settling, so up to three tries.
    sleep 0.3
    for try in 1 2 3; do
        e2e_key Return
        sleep 0.5
        e2e_shot start
        changed=$(e2e_diff "$E2E_DIR/title.png" "$E2E_DIR/start.png")
        awk -v c="$changed" 'BEGIN { exit !(c > 50000) }' && break
    done
    e2e_expect_more "pixels changed from title to start screen" "$changed" 50000
    e2e_key Return
    sleep 0.5
    xdotool keydown Down
    sleep 0.6
    xdotool keyup Down
    e2e_give_up_to_ranking
    e2e_key Down space Right space
    sleep 0.4
}

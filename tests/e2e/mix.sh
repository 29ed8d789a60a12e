#!/usr/bin/env bash
# The game's own sound output at the default levels, captured with SDL's disk audio
# driver (raw 16-bit stereo at 44 100 Hz) during a scripted game of about a minute
# with landings, clears and game over, and measured with sox:
#   - the whole mix never passes -1 dBFS;
#   - the music alone ([Sound] Effects=0) plays at -18 to -14 dBFS RMS during play;
#   - each effect alone ([BGM] BGM=0), as played, is at least 3 dB above the music's
#     loudest span of the same length.
# The three runs play at once, each on its own X server.
# Usage: mix.sh BUILD_DIR [PLAY_SECONDS]
E2E_NAME=${E2E_NAME:-mix}
here=$(cd "$(dirname "$0")" && pwd)

# One run (mix.sh BUILD_DIR --capture KIND OUT_DIR PLAY_SECONDS): KIND is mix, music or
# effects; leaves capture.raw and the byte offsets where play began and ended in OUT_DIR.
if [ "${2:-}" = "--capture" ]; then
    E2E_NAME="mix-$3"
    source "$here/lib.sh"
    build=$1 kind=$3 out=$4 play_seconds=$5
    e2e_prepare "$build" zolvex
    case "$kind" in
        music) printf '[Sound]\nEffects=0\n' >>"$E2E_DIR/zolvex.ini" ;;
        effects) printf '[BGM]\nBGM=0\n' >>"$E2E_DIR/zolvex.ini" ;;
    esac
    e2e_start_xvfb
    capture="$out/capture.raw"
    (cd "$E2E_DIR" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$capture" exec ./zolvex) \
        >"$E2E_DIR/stdout.txt" 2>"$E2E_DIR/stderr.txt" &
    E2E_GAME_PID=$!
    e2e_find_window
    e2e_expect_drawn title
    sleep 0.3
    e2e_key Return
    sleep 0.5
    e2e_key Return
    # Without music the sound device opens at the first effect: no capture yet is 0.
    stat -c %s "$capture" >"$out/play-start" 2>/dev/null || echo 0 >"$out/play-start"
    # Swaps to make pairs, and short fast falls for many landings, without filling
    # the board before the time is up.
    end=$((SECONDS + play_seconds))
    while [ "$SECONDS" -lt "$end" ]; do
        e2e_key Left space Right Right space Left Left space
        xdotool keydown Down
        sleep 0.3
        xdotool keyup Down
        sleep 1.2
    done
    stat -c %s "$capture" >"$out/play-end" 2>/dev/null || echo 0 >"$out/play-end"
    # Pause and go on (the pause blip), then give up (the game-over phrase).
    e2e_key Return
    sleep 0.5
    e2e_key Return
    sleep 0.3
    e2e_key Escape
    # The hand-over to the ranking, then back to the title and out.
    sleep 6
    e2e_key Escape
    sleep 0.5
    e2e_key Escape
    e2e_wait_exit 10
    [ "$E2E_STATUS" -eq 0 ] || e2e_fail "the game ended with status $E2E_STATUS"
    grep -q '^zolvex:.*sound' "$E2E_DIR/stderr.txt" && e2e_fail "$(grep '^zolvex:.*sound' "$E2E_DIR/stderr.txt")"
    exit 0
fi

source "$here/lib.sh"
e2e_require Xvfb xdotool xdpyinfo import convert sox
build=${1:?usage: mix.sh BUILD_DIR [PLAY_SECONDS]}
play_seconds=${2:-60}
work=$(mktemp -d "${TMPDIR:-/tmp}/zolvex-mix.XXXXXX") || e2e_fail "no temporary folder"
trap 'rm -rf "$work"' EXIT
pids=()
for kind in mix music effects; do
    mkdir -p "$work/$kind"
    bash "$0" "$build" --capture "$kind" "$work/$kind" "$play_seconds" &
    pids+=($!)
done
for pid in "${pids[@]}"; do
    wait "$pid" || e2e_fail "a capture run failed"
done

raw=(-t raw -r 44100 -e signed -b 16 -c 2)
# stat NAME FILE [SOX EFFECTS...]: the overall column of sox's statistic NAME.
stat() {
    local name=$1 file=$2
    shift 2
    sox "${raw[@]}" "$file" -n "$@" stats 2>&1 | awk -v n="$name" 'index($0, n) == 1 { print $(NF - 2); exit }'
}
frames() { echo $(($(cat "$1") / 4)); }

peak=$(stat "Pk lev dB" "$work/mix/capture.raw")
e2e_log "whole mix: peak $peak dBFS"
e2e_expect_less "the whole mix's peak (dBFS)" "$peak" -1.0

m=$work/music
span=(trim "$(frames "$m/play-start")s" "=$(frames "$m/play-end")s")
music_rms=$(stat "RMS lev dB" "$m/capture.raw" "${span[@]}")
e2e_log "music during play: RMS $music_rms dBFS over $(( ($(frames "$m/play-end") - $(frames "$m/play-start")) / 44100 )) s"
e2e_expect_more "the music's RMS (dBFS)" "$music_rms" -18.0
e2e_expect_less "the music's RMS (dBFS)" "$music_rms" -14.0

# Each effect as played: the capture of the effects-only run cut at every 30 ms of silence.
e=$work/effects
sox "${raw[@]}" "$e/capture.raw" "$e/effect.wav" trim "$(frames "$e/play-start")s" \
    silence 1 0.002 -50d 1 0.03 -50d : newfile : restart 2>/dev/null
count=0
for f in "$e"/effect*.wav; do
    [ -s "$f" ] || continue
    length=$(soxi -D "$f")
    awk -v l="$length" 'BEGIN { exit !(l >= 0.02) }' || continue
    rms=$(sox "$f" -n stats 2>&1 | awk 'index($0, "RMS lev dB") == 1 { print $(NF - 2); exit }')
    window=$(awk -v l="$length" 'BEGIN { printf "%.3f", (l > 10 ? 10 : l) }')
    loudest=$(sox "${raw[@]}" "$m/capture.raw" -n "${span[@]}" stats -w "$window" 2>&1 |
        awk 'index($0, "RMS Pk dB") == 1 { print $(NF - 2); exit }')
    e2e_log "effect of $length s: RMS $rms dBFS; the music's loudest $window s: $loudest dBFS"
    e2e_expect_more "the effect's margin over the music (dB)" \
        "$(awk -v a="$rms" -v b="$loudest" 'BEGIN { print a - b }')" 3.0
    count=$((count + 1))
done
e2e_expect_more "effects heard" "$count" 5
e2e_log "PASS"

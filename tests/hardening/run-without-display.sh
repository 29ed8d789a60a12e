#!/bin/sh
# Runs a copy of the game binary where no display can be reached (no X, no
# Wayland, no driver asked for), from a folder of its own so that the settings
# it writes go with it. It must end at once with status 1 after saying that
# there is no display.
# Usage: run-without-display.sh ZOLVEX_BINARY
binary=$1
work=$(mktemp -d /tmp/zolvex-nodisplay-XXXXXX) || exit 1
trap 'rm -rf "$work"' EXIT
cp "$binary" "$work/zolvex" || exit 1
cd "$work" || exit 1
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u XDG_RUNTIME_DIR \
    timeout 15 ./zolvex 2>"$work/errors"
status=$?
cat "$work/errors" >&2
if [ "$status" -ne 1 ]; then
    echo "expected status 1 without a display, got $status" >&2
    exit 1
fi
if ! grep -q '^zolvex: no display' "$work/errors"; then
    echo "expected a line saying there is no display" >&2
    exit 1
fi
exit 0

#!/usr/bin/env bash
# Remakes the screenshots in docs/screens from the real game under Xvfb (the
# end-to-end tests save what they look at), and the game in progress with a
# marked pair from zolvex-sim, whose screen shots are the same pixels.
# Usage: tests/e2e/update-screens.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: update-screens.sh BUILD_DIR}" && pwd)
screens="$here/../../docs/screens"
shots=$(mktemp -d "${TMPDIR:-/tmp}/zolvex-screens.XXXXXX")
trap 'rm -rf "$shots"' EXIT

ZOLVEX_E2E_SHOTS=$shots "$here/start-esc.sh" "$build" || exit 1
ZOLVEX_E2E_SHOTS=$shots "$here/game.sh" "$build" || exit 1
ZOLVEX_E2E_SHOTS=$shots "$here/fullscreen-shot.sh" "$build" || exit 1
ZOLVEX_E2E_SHOTS=$shots "$here/program-keys.sh" "$build" || exit 1
ZOLVEX_E2E_SHOTS=$shots "$here/replay.sh" "$build" || exit 1
cp "$shots/replay-faster.png" "$shots/replay.png" || exit 1

sim=$(mktemp -d "${TMPDIR:-/tmp}/zolvex-sim-shot.XXXXXX")
cp -r "$build/bmp" "$build/wav" "$sim/" && cp "$build"/*.mid "$sim/"
(cd "$sim" && "$build/zolvex-sim" --time 1700000000 "$here/marked-pair.sim" >/dev/null) ||
    { echo "update-screens: zolvex-sim failed" >&2; rm -rf "$sim"; exit 1; }
convert "$sim/play.bmp" "$shots/game-play.png" || exit 1
rm -rf "$sim"

mkdir -p "$screens"
for name in title farewell game-start game-play game-pause game-over ranking-entry ranking-view \
    fullscreen controls replay; do
    # Without metadata, so that an unchanged screen gives an unchanged file.
    convert "$shots/$name.png" -strip "$screens/$name.png" || exit 1
    echo "docs/screens/$name.png"
done

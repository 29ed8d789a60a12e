#!/usr/bin/env bash
# The installed game: `cmake --install` into a temporary prefix lays out the usual
# files, which the desktop's validators accept; the installed game answers --help,
# --version and a bad option, starts from another folder to the title screen, keeps the
# player's files in the XDG folders of its HOME (moving settings an older run left
# beside the rankings) and writes nothing into its own tree.
# Usage: install.sh BUILD_DIR
E2E_NAME=install
source "$(dirname "$0")/lib.sh"
e2e_require Xvfb xdotool xdpyinfo import convert desktop-file-validate appstreamcli
build=${1:?usage: install.sh BUILD_DIR}

E2E_DIR=$(mktemp -d "${TMPDIR:-/tmp}/zolvex-install.XXXXXX") || e2e_fail "no temporary folder"
trap 'e2e_cleanup' EXIT
prefix=$E2E_DIR/prefix
cmake --install "$build" --prefix "$prefix" >"$E2E_DIR/install.log" 2>&1 ||
    e2e_fail "cmake --install failed: $(tail -1 "$E2E_DIR/install.log")"

share=$prefix/share
for file in bin/zolvex share/zolvex/bmp/mback.bmp share/zolvex/wav/drop.wav share/zolvex/open.mid \
    share/zolvex/open.wav share/applications/zolvex.desktop share/metainfo/zolvex.metainfo.xml \
    share/man/man6/zolvex.6; do
    [ -f "$prefix/$file" ] || e2e_fail "$file was not installed"
done
for size in 16 32 48 64 128 256 512; do
    icon=$share/icons/hicolor/${size}x${size}/apps/zolvex.png
    [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}" ] ||
        e2e_fail "icon $icon is missing or not ${size}x${size}"
done
desktop-file-validate "$share/applications/zolvex.desktop" || e2e_fail "desktop-file-validate"
appstreamcli validate --no-net "$share/metainfo/zolvex.metainfo.xml" >"$E2E_DIR/appstream.log" 2>&1 ||
    e2e_fail "appstreamcli validate: $(cat "$E2E_DIR/appstream.log")"
e2e_log "installed files in place and valid"

# The command line, run from elsewhere with a private HOME.
mkdir -p "$E2E_DIR/elsewhere" "$E2E_DIR/home"
export HOME=$E2E_DIR/home
unset XDG_CONFIG_HOME XDG_DATA_HOME
cd "$E2E_DIR/elsewhere"
"$prefix/bin/zolvex" --version | grep -qx 'zolvex [0-9][0-9.]*' || e2e_fail "--version"
"$prefix/bin/zolvex" --help >"$E2E_DIR/help.txt" || e2e_fail "--help did not exit 0"
grep -q "$HOME/.config/zolvex" "$E2E_DIR/help.txt" || e2e_fail "--help does not name the settings folder"
grep -q "$HOME/.local/share/zolvex" "$E2E_DIR/help.txt" || e2e_fail "--help does not name the rankings folder"
"$prefix/bin/zolvex" --fullscreen-please >/dev/null 2>"$E2E_DIR/bad.txt"
status=$?
[ $status -eq 2 ] || e2e_fail "a bad option exited $status, expected 2"
grep -q '^usage: zolvex' "$E2E_DIR/bad.txt" || e2e_fail "a bad option printed no usage on standard error"
[ ! -e "$HOME/.config" ] || e2e_fail "--help created folders"
e2e_log "--help, --version and a bad option answered"

# Settings an older run kept beside the rankings ask for a window (there is no window
# manager to hand a full screen to); the game moves them to the settings folder.
mkdir -p "$HOME/.local/share/zolvex"
printf '[Display]\nWindowed=1\n' >"$HOME/.local/share/zolvex/zolvex.ini"
before=$(find "$prefix" -newer "$E2E_DIR/install.log" | wc -l)
e2e_start_xvfb
SDL_AUDIODRIVER=dummy "$prefix/bin/zolvex" >"$E2E_DIR/stdout.txt" 2>"$E2E_DIR/stderr.txt" &
E2E_GAME_PID=$!
e2e_find_window
e2e_expect_drawn title
e2e_log "the installed game shows its title screen"
e2e_key Escape
e2e_wait_exit 5
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS, expected 0"

ini=$HOME/.config/zolvex/zolvex.ini
[ -f "$ini" ] || e2e_fail "no settings in $HOME/.config/zolvex"
[ "$(e2e_ini_value "$ini" Display Windowed)" = 1 ] || e2e_fail "the older settings were not moved"
[ "$(e2e_ini_value "$ini" BGM BGM)" = 1 ] || e2e_fail "the music switch was not written"
[ ! -e "$HOME/.local/share/zolvex/zolvex.ini" ] || e2e_fail "the old settings file was left behind"
[ "$(stat -c %a "$HOME/.config/zolvex")" = 700 ] || e2e_fail "the settings folder is not private (0700)"
after=$(find "$prefix" -newer "$E2E_DIR/install.log" | wc -l)
[ "$after" -eq "$before" ] || e2e_fail "the game wrote into its installed tree"
e2e_log "player's files in the XDG folders, none in the installed tree"

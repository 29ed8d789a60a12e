#!/bin/sh
# Replays one recorded zolvex-sim session and compares its dumps with the
# recorded ones. The run happens in a scratch folder of its own (the settings
# and ranking files land there) that sees the build's pictures and sounds.
#   run-replay.sh ZOLVEX_SIM SCRIPT.sim EXPECTED.json RUNTIME_DIR
# With ZOLVEX_RECORD=1 the dumps are written to EXPECTED.json instead.
set -u
sim=$1 script=$2 expected=$3 runtime=$4
# The run changes folder, so relative paths are taken from here first.
absolute() { case $1 in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
sim=$(absolute "$sim") script=$(absolute "$script")
expected=$(absolute "$expected") runtime=$(absolute "$runtime")

work=$(mktemp -d "${TMPDIR:-/tmp}/zolvex-replay-XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
ln -s "$runtime/bmp" "$work/bmp"
ln -s "$runtime/wav" "$work/wav"

if ! (cd "$work" && "$sim" --time 1000000000 "$script") >"$work/actual.json"; then
    echo "zolvex-sim failed on $script" >&2
    exit 1
fi
if [ "${ZOLVEX_RECORD:-}" = 1 ]; then
    cp "$work/actual.json" "$expected" && echo "recorded $expected"
    exit
fi
if [ ! -f "$expected" ]; then
    echo "no recorded dumps $expected; record them with ZOLVEX_RECORD=1" >&2
    exit 1
fi
if ! cmp -s "$expected" "$work/actual.json"; then
    # One field a line, each prefixed with its dump's number, so the
    # difference shows which dump and which field changed.
    split() { awk '{ n = split($0, f, /,"/); for (i = 1; i <= n; i++) print "dump " NR ": " f[i] }' "$1"; }
    split "$expected" >"$work/expected.fields"
    split "$work/actual.json" >"$work/actual.fields"
    echo "dumps of $script differ from $expected:" >&2
    diff "$work/expected.fields" "$work/actual.fields" | head -40 >&2
    exit 1
fi

#!/bin/bash
# What a screen reader sees, through AT-SPI: the focus starts on the path field, the hidden
# link boxes and what lies below the closed window are not there, every picture-only control
# has a name, EXIT and ABOUT are buttons, and the keyboard reaches the panel toggle and, once
# the panel is open, the song list, where a song's tags are its tooltip and its description.
BIN=$1
here=$(cd "$(dirname "$0")" && pwd)
if [[ -z ${OSTRANE_PRIVATE_BUS:-} ]]; then
    OSTRANE_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
source "$here/lib.sh"

atspi() { /usr/bin/python3 -W ignore::DeprecationWarning "$here/atspi-check.py" "$@"; }
client_height_is() { [[ $(client_geometry "$1" | cut -d' ' -f4) -eq $2 ]]; }
focused_is() { [[ $(atspi focused) == "$1" ]]; }
about_shown() { windows_named "$corvissa_pid" "About the Coder. . ."; }

start_x 1024 768
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# The list starts in the current folder: the demo songs, the first of them tagged.
mkdir "$work/songs"
cp "$BIN/../demo-songs/"*.spc "$work/songs/"
cd "$work/songs"
start_corvissa
wait_until "the window through AT-SPI" atspi tree
wait_until "the focus on the path field" focused_is "Current file loaded"

atspi tree >"$work/tree"
has() { grep -qx -- "$1" "$work/tree" || fail "no '$1' in: $(cat "$work/tree")"; }
has "push button|Pause|focusable,showing"
has "push button|Play|focusable,showing"
has "push button|Stop|focusable,showing"
has "push button|EXIT|showing"
has "push button|ABOUT|showing"
grep -q '^[^|]*|QV-SPC Ostrane banner|' "$work/tree" || fail "the banner has no name"
grep -q '^push button|Song list|focusable' "$work/tree" || fail "the panel toggle is no button"
# The link boxes hold "QV-spc|..." addresses; none of them is seen.
grep -q 'QV-spc|STOP\|QV-spc|PLAY\|QV-spc|PAUSE\|QV-spc|QUIT' "$work/tree" &&
    fail "a hidden link box is seen: $(grep 'QV-spc|' "$work/tree")"

# Below the closed window nothing is seen, and Tab passes it by: backwards from the path
# field, the toggle comes next.
for below in "Songs" "Song list frame" "Current directory" "Current Directory:"; do
    grep -q "^[^|]*|$below|" "$work/tree" && fail "'$below' is seen below the closed window"
done
xdotool key shift+Tab
wait_until "the focus on the panel toggle" focused_is "Song list"
xdotool key Return
wait_until "the panel to open" client_height_is "$window" 349
# The open panel is seen, the folder label by what it is, and Tab reaches the song list.
atspi tree >"$work/tree"
has "label|Current directory|showing"
grep -q '^[^|]*|Songs|' "$work/tree" || fail "the open song list is not seen"
xdotool key Tab
wait_until "the focus on the song list's first song" focused_is $'Songs\n01 A440.spc'

# The pointer rests on the first song: its tags show as a tooltip and as its description.
tags=$'Demo tone A (440 Hz), with a title longer than the header\'s\nOstrane demo songs'
tags+=$'\nOstrane, in the extended tags\n2:30'
described_as() { [[ $(atspi description "$1") == "$2" ]]; }
xdotool mousemove --window "$window" 60 252
wait_until "the first song's tooltip" tooltip_shown "$corvissa_pid"
wait_until "the first song's description" described_as "01 A440.spc" "$tags"

atspi press ABOUT
wait_until "the about window" about_shown
echo "e2e accessibility: passed"

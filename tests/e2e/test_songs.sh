#!/bin/bash
# Opening the panel, choosing a folder in the real dialog and double-clicking a song sends
# the song's exact full path to the player. A whole session (a folder chosen, songs loaded,
# the about window opened, EXIT) leaves nothing in the home or configuration folders.
BIN=$1
source "$(dirname "$0")/lib.sh"

songs="$work/my songs"
mkdir -p "$songs/folder.spc"
song='-01 Ünïcödé | song.spc'
touch "$songs/$song" "$songs/track 2.SP1" "$songs/track 10.spc" "$songs/notes.txt"
ln -s "$songs/missing" "$songs/broken.spc"

start_x 1024 768
start_peer
# As on a desktop without a session bus: none may be started on the program's behalf.
unset DBUS_SESSION_BUS_ADDRESS
start_corvissa

client_height_is() { [[ $(client_geometry "$1" | cut -d ' ' -f 4) -eq $2 ]]; }
dialog_shown() { xdotool search --all --onlyvisible --pid "$corvissa_pid" --name '^Load SPC$'; }
dialog_gone() { ! dialog_shown; }
dialog_active() { [[ $(xdotool getactivewindow) == "$(dialog_shown | head -n 1)" ]]; }
main_active() { [[ $(xdotool getactivewindow) == "$window" ]]; }
loads_printed() { [[ $(grep -cxF -- "open QV-spc|$songs/$song" <(sed -E 's/^open #[0-9]+/open/' "$work/peer.out")) -eq $1 ]]; }

# Client-area centres, in pixels: the panel toggle, "Load SPC", the song list's first entry.
toggle=(175 171)
load=(264 171)
first_song=(60 252)

client_height_is "$window" 193 || fail "the window does not start closed"
click "$window" "${toggle[@]}"
wait_until "the panel to open" client_height_is "$window" 349

click "$window" "${load[@]}"
wait_until "the folder dialog" dialog_shown
wait_until "the folder dialog to take the keyboard" dialog_active
xdotool type --delay 10 "$songs"
xdotool key Return
wait_until "the folder dialog to close" dialog_gone
wait_until "the main window to take the keyboard back" main_active

xdotool mousemove --window "$window" "${first_song[@]}" click --repeat 2 --delay 80 1
wait_until "the song at the peer" loads_printed 1

# A cancel keeps the folder: the same entry loads the same song again.
click "$window" "${load[@]}"
wait_until "the folder dialog" dialog_shown
wait_until "the folder dialog to take the keyboard" dialog_active
xdotool key Escape
wait_until "the folder dialog to close" dialog_gone
wait_until "the main window to take the keyboard back" main_active
xdotool mousemove --window "$window" "${first_song[@]}" click --repeat 2 --delay 80 1
wait_until "the song at the peer again" loads_printed 2

click "$window" "${toggle[@]}"
wait_until "the panel to close to its first height" client_height_is "$window" 193

ended() {
    local state
    state=$(ps -o stat= -p "$1") || return 0
    [[ $state == Z* ]]
}
about_gone() { ! windows_named "$corvissa_pid" "About the Coder. . ."; }
click "$window" 322 28
wait_until "the about window" windows_named "$corvissa_pid" "About the Coder. . ."
about=$(windows_named "$corvissa_pid" "About the Coder. . ." | head -n 1)
# Its close picture, near its lower right corner; then EXIT.
click "$about" 330 390
wait_until "the about window to close" about_gone
click "$window" 24 28
wait_until "the program to end" ended "$corvissa_pid"
[[ $HOME == "${TMPDIR:-/tmp}"/* && $XDG_CONFIG_HOME == "${TMPDIR:-/tmp}"/* ]] ||
    fail "the test does not run with a private home"
stored=$(find "$HOME" "$XDG_CONFIG_HOME" -mindepth 1)
[[ -z $stored ]] || fail "the session stored: $stored"
echo "e2e songs: passed"

#!/bin/bash
# Opening the panel, choosing a folder in the real dialog and double-clicking a song sends
# the song's exact full path to the player.
BIN=$1
source "$(dirname "$0")/lib.sh"

songs="$work/my songs"
mkdir -p "$songs/folder.spc"
song='-01 Ünïcödé | song.spc'
touch "$songs/$song" "$songs/track 2.SP1" "$songs/track 10.spc" "$songs/notes.txt"
ln -s "$songs/missing" "$songs/broken.spc"

start_x 1024 768
start_peer
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
echo "e2e songs: passed"

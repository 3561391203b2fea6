#!/bin/bash
# A folder whose name is not UTF-8 is chosen in the real dialog and listed, and songs named
# with bytes that are not UTF-8 or with a newline reach the player as their exact bytes.
BIN=$1
source "$(dirname "$0")/lib.sh"

odd="$work/"$'\xfe'" songs"
lines="$work/lines"
mkdir -p "$odd" "$lines"
touch "$odd/"$'\xff.spc' "$lines/"$'a\nb.spc'

start_x 1024 768
# A player that accepts everything and keeps each topic's bytes, NUL after each.
"$BIN/ostrane-mix-peer" 1 0 0 "$work/topics" >"$work/peer.out" 2>&1 &
pids+=($!)
wait_until "the player" grep -q '^ready ' "$work/peer.out"
start_corvissa

dialog_shown() { xdotool search --all --onlyvisible --pid "$corvissa_pid" --name '^Load SPC$'; }
dialog_gone() { ! dialog_shown; }
dialog_active() { [[ $(xdotool getactivewindow) == "$(dialog_shown | head -n 1)" ]]; }
main_active() { [[ $(xdotool getactivewindow) == "$window" ]]; }
client_height_is() { [[ $(client_geometry "$1" | cut -d ' ' -f 4) -eq $2 ]]; }
# topics_are PATH...: succeeds when the player received exactly these topics, in this order.
topics_are() { cmp -s "$work/topics" <(printf '%s\0' "$@"); }

# type_text TEXT: types TEXT, a character missing from the keyboard (U+FFFD) alone and slowly:
# xdotool maps it to a spare key for the moment and maps it back after the delay.
type_text() {
    local rest=$1 unmapped=$'\xef\xbf\xbd'
    while [[ $rest == *"$unmapped"* ]]; do
        xdotool type --delay 10 "${rest%%"$unmapped"*}"
        xdotool type --delay 250 "$unmapped"
        rest=${rest#*"$unmapped"}
    done
    xdotool type --delay 10 "$rest"
}

# answered: succeeds once the folder dialog has closed or complains in a second window.
answered() { dialog_gone || [[ $(dialog_shown | wc -l) -ge 2 ]]; }

# choose TEXT: picks the folder typed as TEXT in the folder dialog. Now and then the program
# still reads xdotool's spare key unmapped and the character is lost; the dialog then says
# the folder is missing, and the text is typed again.
choose() {
    local attempt
    click "$window" 264 171
    wait_until "the folder dialog" dialog_shown
    wait_until "the folder dialog to take the keyboard" dialog_active
    for attempt in 1 2 3 4 5; do
        type_text "$1"
        xdotool key Return
        wait_until "the folder dialog to answer" answered
        dialog_gone && break
        echo "typing attempt $attempt lost a character; typing again"
        xdotool key Return
        wait_until "the complaint to close" bash -c "[[ \$(xdotool search --all --onlyvisible --pid $corvissa_pid --name '^Load SPC\$' | wc -l) -eq 1 ]]"
        xdotool key ctrl+a
    done
    wait_until "the folder dialog to close" dialog_gone
    wait_until "the main window to take the keyboard back" main_active
}

# load_first: double-clicks the list's first entry.
load_first() {
    xdotool mousemove --window "$window" 60 252 click --repeat 2 --delay 80 1
}

click "$window" 175 171
wait_until "the panel to open" client_height_is "$window" 349

# The dialog shows the bad byte as U+FFFD, and so does what the user types.
choose "$work/"$'\xef\xbf\xbd'" songs"
load_first
wait_until "the song of the folder that is not UTF-8" topics_are "$odd/"$'\xff.spc'

choose "$lines"
load_first
wait_until "the song with a newline" topics_are "$odd/"$'\xff.spc' "$lines/"$'a\nb.spc'
echo "e2e names: passed"

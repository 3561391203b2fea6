#!/bin/bash
# The notification icon: minimising hides the window only while the icon is on screen, a
# double click on the icon brings it back, so does the notification area's end, closing
# removes the icon, and EXIT ends the program at once.
BIN=$1
source "$(dirname "$0")/lib.sh"

no_tooltip() { ! tooltip_shown "$1"; }
# Rests the pointer on the icon until its tooltip shows. The notification area may still be
# moving the icon into place, and after a click Qt waits for a further move, so the pointer
# moves a pixel now and then, each time resting longer, so a slow machine gets there too.
hover_until_tooltip() {
    local round tries
    for ((round = 1; round <= 12; round++)); do
        point_at_icon $((round % 2))
        for ((tries = 0; tries < 20 * round; tries++)); do
            tooltip_shown "$corvissa_pid" && return 0
            sleep 0.05
        done
    done
    fail "no tooltip over the notification icon"
}
# Waits until a tooltip shows again: the program has handled every earlier event on the icon.
settle_on_icon() {
    xdotool mousemove 0 0
    wait_until "the tooltip to go" no_tooltip "$corvissa_pid"
    hover_until_tooltip
}

start_x 1024 768
start_peer
peer_pid=${pids[-1]}

# Without a notification area a minimised window stays where the desktop can reach it.
start_corvissa
minimise_to_task_bar_and_back

# A notification area that starts later gets the icon, and minimising hides again.
start_tray
wait_until "the notification icon" tray_icon "$corvissa_pid"
icon=$(tray_icon "$corvissa_pid" | head -n 1)
hover_until_tooltip

before=$(position "$window")
xdotool windowminimize "$window"
wait_until "the window to hide" hidden "$window"

# A single, right or middle click changes nothing.
for button in 1 3 2; do
    xdotool click "$button"
done
settle_on_icon
hidden "$window" || fail "a single, right or middle click on the icon showed the window"

double_click_until_shown
[[ $(position "$window") == "$before" ]] ||
    fail "the window came back at $(position "$window"), not at $before"

# The notification area ends while the window is hidden in it: the window comes back where
# it was. A new notification area gets the icon, and minimising hides into it again.
xdotool windowminimize "$window"
wait_until "the window to hide" hidden "$window"
kill "$tray_pid"
wait_until "the window back when the notification area ended" shown_normal "$window"
[[ $(position "$window") == "$before" ]] ||
    fail "the window came back at $(position "$window"), not at $before"
start_tray
wait_until "the notification icon in the new area" tray_icon "$corvissa_pid"
icon=$(tray_icon "$corvissa_pid" | head -n 1)
xdotool windowminimize "$window"
wait_until "the window to hide in the new area" hidden "$window"
double_click_until_shown

# Closing the main window removes the icon; the open about window keeps the program running.
click "$window" 322 28
wait_until "the about window" windows_named "$corvissa_pid" "About the Coder. . ."
about=$(windows_named "$corvissa_pid" "About the Coder. . ." | head -n 1)
# As the frame's close button does: the window manager asks the window to close.
wmctrl -i -c "$window"
wait_until "the icon to go" no_tray_icon "$corvissa_pid"
ended "$corvissa_pid" && fail "the program ended while the about window was open"
mapped "$about" || fail "the about window went with the main window"
# The close picture, near the about window's lower right corner.
click "$about" 330 390
wait_until "the program to end" ended "$corvissa_pid"

# EXIT, with the right button, ends the program at once; the player keeps running.
start_corvissa
wait_until "the notification icon" tray_icon "$corvissa_pid"
click "$window" 24 28 3
wait_until "the program to end" ended "$corvissa_pid"
kill -0 "$peer_pid" || fail "the link peer ended with the program"
grep -q '^open ' "$work/peer.out" && fail "something was sent to the player"
echo "e2e tray: passed"

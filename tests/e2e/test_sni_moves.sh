#!/bin/bash
# The icon follows the notification area while the program runs: a StatusNotifierItem host
# that starts later gets it; when the host goes away with no X11 tray the window hidden in
# the icon comes back; when the host goes away the icon moves to the X11 tray, where a
# double click brings the window back; when a host comes back the icon leaves the X11 tray
# for it, also when the host registers with a watcher that was there before it.
BIN=$1
here=$(cd "$(dirname "$0")" && pwd)
# A session bus of the test's own: the host and the program meet there, never on the user's.
if [[ -z ${OSTRANE_PRIVATE_BUS:-} ]]; then
    OSTRANE_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
source "$here/lib.sh"

# shows_icon SERVICE: succeeds once the host has read the item's picture and tip.
shows_icon() { grep -qxF "shows $1 32x32 QV-SPC Ostrane" "$work/sni-host.out"; }
# not_item SERVICE: succeeds once an item other than SERVICE registered with the host.
not_item() { [[ $(sni_item) != "$1" ]]; }
# minimise_into_icon: minimises $window and waits until it hides.
minimise_into_icon() {
    xdotool windowminimize "$window"
    wait_until "the window to hide" hidden "$window"
}

# restore_through_new_host WHAT: waits for the icon on a host just started (sets item), then
# hides the window into it and brings it back with the host's activation.
restore_through_new_host() {
    wait_until "$1" sni_item
    item=$(sni_item)
    wait_until "the host to show the icon's picture and tip" shows_icon "$item"
    minimise_into_icon
    call_item "$item" Activate int32:10 int32:10
    wait_until "the window back from the host's icon" shown_normal "$window"
}

start_x 1024 768

# Without any notification area a minimised window stays in the task bar.
start_corvissa
minimise_to_task_bar_and_back

# A host that starts later gets the icon, and its activation brings the window back.
start_sni_host
restore_through_new_host "the icon on the host that started later"

# The host goes away with no X11 tray to move the icon to: the window hidden in the icon
# comes back where it was. A host that comes back gets the icon, and minimising hides again.
before=$(position "$window")
minimise_into_icon
kill "$sni_host_pid"
wait_until "the window back when the host went" shown_normal "$window"
[[ $(position "$window") == "$before" ]] ||
    fail "the window came back at $(position "$window"), not at $before"
start_sni_host
restore_through_new_host "the icon on the host that came back"
wmctrl -i -c "$window"
wait_until "the program to end" ended "$corvissa_pid"

# Started under a host, with an X11 tray running too: the icon is on the host alone.
start_tray
start_corvissa
wait_until "the icon on the host" not_item "$item"
item=$(sni_item)
no_tray_icon "$corvissa_pid" || fail "the icon is in the X11 tray as well as on the host"

# The host goes away: the icon moves to the X11 tray, where a double click restores.
kill "$sni_host_pid"
wait_until "the icon in the X11 tray" tray_icon "$corvissa_pid"
icon=$(tray_icon "$corvissa_pid" | head -n 1)
before=$(position "$window")
minimise_into_icon
double_click_until_shown
[[ $(position "$window") == "$before" ]] ||
    fail "the window came back at $(position "$window"), not at $before"

# A host comes back: the icon leaves the X11 tray for it.
start_sni_host
wait_until "the icon back on the host" sni_item
item=$(sni_item)
wait_until "the host to show the icon's picture and tip" shows_icon "$item"
wait_until "the icon to leave the X11 tray" no_tray_icon "$corvissa_pid"
[[ $(sed -n 's/^item //p' "$work/sni-host.out" | sort -u | wc -l) == 1 ]] ||
    fail "more than one item registered: $(cat "$work/sni-host.out")"
minimise_into_icon
call_item "$item" Activate int32:10 int32:10
wait_until "the window back from the host's icon" shown_normal "$window"

# A watcher that runs before its host, as a desktop's may: the icon waits in the X11 tray,
# goes to the host once it registers, and comes back when the host leaves the watcher.
kill "$sni_host_pid"
wait_until "the icon in the X11 tray" tray_icon "$corvissa_pid"
start_sni_host --host-later
wait_until "the program to find no host yet" grep -qx "asked no" "$work/sni-host.out"
kill -USR1 "$sni_host_pid"
wait_until "the host to register" grep -qx "host yes" "$work/sni-host.out"
wait_until "the icon on the host that registered later" sni_item
wait_until "the icon to leave the X11 tray" no_tray_icon "$corvissa_pid"
item=$(sni_item)
kill -USR2 "$sni_host_pid"
wait_until "the icon back in the X11 tray" tray_icon "$corvissa_pid"

wmctrl -i -c "$window"
wait_until "the icon to leave the X11 tray" no_tray_icon "$corvissa_pid"
echo "e2e sni moves: passed"

#!/bin/bash
# A StatusNotifierItem host (the kind XFCE's and KDE's panels and GNOME's AppIndicator
# extension are): minimising hides the window into the icon, and the host's activation of
# the icon brings it back where it was, also when the host activates twice in a row for a
# double click, as XFCE's panel does. Its menu and middle click change nothing.
BIN=$1
here=$(cd "$(dirname "$0")" && pwd)
# A session bus of the test's own: the host and the program meet there, never on the user's.
if [[ -z ${OSTRANE_PRIVATE_BUS:-} ]]; then
    OSTRANE_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
source "$here/lib.sh"

start_x 1024 768
start_sni_host
start_corvissa
wait_until "the icon on the host" sni_item
item=$(sni_item)

before=$(position "$window")
xdotool windowminimize "$window"
wait_until "the window to hide" hidden "$window"

# The host's menu and secondary activation: each call returns once the program handled it.
call_item "$item" ContextMenu int32:10 int32:10
call_item "$item" SecondaryActivate int32:10 int32:10
hidden "$window" || fail "the host's menu or middle click showed the window"

# XFCE's panel activates twice, 80 ms apart, for a double click on the icon.
call_item "$item" Activate int32:10 int32:10
sleep 0.08
call_item "$item" Activate int32:10 int32:10
wait_until "the window back from the icon" shown_normal "$window"
[[ $(position "$window") == "$before" ]] ||
    fail "the window came back at $(position "$window"), not at $before"

# Once more, with a single activation, as KDE and GNOME send it.
xdotool windowminimize "$window"
wait_until "the window to hide again" hidden "$window"
call_item "$item" Activate int32:10 int32:10
wait_until "the window back from the icon" shown_normal "$window"

# Closing the window takes the icon off the host.
wmctrl -i -c "$window"
wait_until "the icon to leave the host" grep -q "^gone $item\$" "$work/sni-host.out"
echo "e2e sni: passed"

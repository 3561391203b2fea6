#!/bin/bash
# XFCE's own panel as the notification area. Its status tray serves StatusNotifierItems, so
# the icon of a program started under it goes there; minimising hides the window into it, and
# a click or a double click on the icon, with the mouse, brings the window back where it was.
# A middle click or the panel's menu changes nothing, and closing the window takes the icon
# off the panel. A program started before the panel moves its icon there once the panel is up.
BIN=$1
here=$(cd "$(dirname "$0")" && pwd)
# A session bus of the test's own: the panel, its settings store and the program meet there.
if [[ -z ${OSTRANE_PRIVATE_BUS:-} ]]; then
    OSTRANE_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
source "$here/lib.sh"

owned() { dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" | grep -q 'boolean true'; }

# watcher PROPERTY: prints a property of the panel's StatusNotifierWatcher, as dbus-send does.
watcher() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher "string:$1"
}
host_ready() { watcher IsStatusNotifierHostRegistered | grep -q 'boolean true'; }

# program_item: prints the bus name of the program's StatusNotifierItem, once the panel's
# watcher lists an item of the program's process.
program_item() {
    local entry service pid
    for entry in $(watcher RegisteredStatusNotifierItems | sed -n 's/^ *string "\(.*\)"$/\1/p'); do
        service=${entry%%/*}
        pid=$(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.GetConnectionUnixProcessID "string:$service" |
            sed -n 's/^ *uint32 //p')
        [[ $pid == "$corvissa_pid" ]] && echo "$service"
    done | grep .
}
item_gone() { ! watcher RegisteredStatusNotifierItems | grep -qF "\"$item/"; }

# calls_to_item METHOD: prints how many calls of METHOD the program's item has had.
calls_to_item() { grep -c " member=$1\$" "$work/item-calls.log" || true; }
# called_since METHOD COUNT: succeeds once the item has had more than COUNT calls of METHOD.
called_since() { (($(calls_to_item "$1") > $2)); }
# item_settled: returns once the program has answered every call made on its item so far.
item_settled() {
    dbus-send --session --print-reply --dest="$item" /StatusNotifierItem \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem string:Status \
        >/dev/null || fail "the program's item did not answer"
}

# icon_spot: prints "x y", the middle of the panel's status tray, once an icon widens it (an
# empty tray is a pixel wide). The panel holds the tray alone, and the tray one icon.
icon_spot() {
    xwininfo -tree -id "$panel_window" | awk '/"wrapper-2.0": \(/ {
        split($(NF - 1), size, /[x+]/); split($NF, at, "+")
        if (size[1] >= 16) print at[2] + int(size[1] / 2), at[3] + int(size[2] / 2) }' | grep .
}
no_icon_spot() { ! icon_spot; }
# click_icon [CLICKS]: clicks the icon with the left button, once or CLICKS times.
click_icon() {
    local x y
    read -r x y < <(icon_spot)
    xdotool mousemove "$x" "$y" click --repeat "${1:-1}" --delay 80 1
}
# panel_menu: prints the panel's pop-up menu window while it is shown.
panel_menu() {
    local menu
    for menu in $(xdotool search --onlyvisible --class wrapper-2.0); do
        if xprop -id "$menu" _NET_WM_WINDOW_TYPE | grep -q POPUP_MENU; then echo "$menu"; fi
    done | grep .
}
no_panel_menu() { ! panel_menu; }

# start_xfce_panel: the panel, with one bottom panel that holds the status tray, configured in
# the test's own folder; sets panel_window.
start_xfce_panel() {
    local config=$work/config
    write_xfce_panel_config "$config" 8
    # The panel's settings store, started here rather than by the bus, so that it reads the
    # configuration written above and ends with the test.
    local xfconfd
    xfconfd=$(sed -n 's/^Exec=//p' /usr/share/dbus-1/services/org.xfce.Xfconf.service)
    XDG_CONFIG_HOME=$config "$xfconfd" >"$work/xfconfd.log" 2>&1 &
    pids+=($!)
    wait_until "the panel's settings store" owned org.xfce.Xfconf
    XDG_CONFIG_HOME=$config NO_AT_BRIDGE=1 xfce4-panel >"$work/panel.log" 2>&1 &
    pids+=($!)
    local panel_pid=$!
    wait_until "the panel" xdotool search --onlyvisible --classname '^xfce4-panel$'
    panel_window=$(xdotool search --onlyvisible --classname '^xfce4-panel$' | head -n 1)
    wait_until "the panel's StatusNotifierItem host" host_ready
    # The tray runs in a process of its own, which the panel started.
    local tray
    for tray in $(pgrep -P "$panel_pid"); do pids+=("$tray"); done
}

start_x 1024 768

# Started before the panel, the program moves its icon to the panel's watcher once the panel
# is up, and a click on it there brings the window back.
start_corvissa
start_xfce_panel
wait_until "the icon to move to the panel's watcher" program_item
wait_until "the icon in the panel" icon_spot
wait_until "the icon to leave the panel's X11 tray" no_tray_icon "$corvissa_pid"
before=$(position "$window")
xdotool windowminimize "$window"
wait_until "the window to hide into the icon" hidden "$window"
click_icon
wait_until "the window back from the icon" shown_normal "$window"
[[ $(position "$window") == "$before" ]] ||
    fail "the window came back at $(position "$window"), not at $before"
wmctrl -i -c "$window"
wait_until "the program to end" ended "$corvissa_pid"
wait_until "the icon to leave the panel" no_icon_spot

# Started under the panel, the program puts its icon on the panel's watcher.
dbus-monitor --session "type='method_call',interface='org.kde.StatusNotifierItem'" \
    >"$work/item-calls.log" 2>&1 &
pids+=($!)
# A monitor gives up its own name once it watches.
wait_until "the bus monitor" grep -q 'member=NameLost' "$work/item-calls.log"
start_corvissa
wait_until "the program's item on the panel" program_item
item=$(program_item)
wait_until "the icon in the panel" icon_spot
tray_icon "$corvissa_pid" && fail "the icon went to the X11 tray as well"

before=$(position "$window")
xdotool windowminimize "$window"
wait_until "the window to hide" hidden "$window"

# A middle click reaches the program, which leaves the window hidden.
secondary=$(calls_to_item SecondaryActivate)
read -r x y < <(icon_spot)
xdotool mousemove "$x" "$y" click 2
wait_until "the middle click on the icon" called_since SecondaryActivate "$secondary"
item_settled
hidden "$window" || fail "a middle click on the icon showed the window"
# A right click opens the panel's own menu; closing it changes nothing.
xdotool click 3
wait_until "the panel's menu" panel_menu
xdotool key Escape
wait_until "the panel's menu to close" no_panel_menu
item_settled
hidden "$window" || fail "the panel's menu showed the window"

# One click: the panel activates the icon once.
activations=$(calls_to_item Activate)
click_icon
wait_until "the click on the icon" called_since Activate "$activations"
wait_until "the window back from the icon" shown_normal "$window"
[[ $(position "$window") == "$before" ]] ||
    fail "the window came back at $(position "$window"), not at $before"

# A double click: the panel activates twice, and the second changes nothing.
xdotool windowminimize "$window"
wait_until "the window to hide again" hidden "$window"
activations=$(calls_to_item Activate)
click_icon 2
wait_until "the double click on the icon" called_since Activate $((activations + 1))
wait_until "the window back from the icon" shown_normal "$window"
item_settled
shown_normal "$window" || fail "the second activation of a double click hid the window"
[[ $(position "$window") == "$before" ]] ||
    fail "the window came back at $(position "$window"), not at $before"

# Closing the window takes the icon off the panel.
wmctrl -i -c "$window"
wait_until "the item to leave the panel" item_gone
wait_until "the icon to leave the panel" no_icon_spot
echo "e2e xfce panel: passed"

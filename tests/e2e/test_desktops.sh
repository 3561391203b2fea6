#!/bin/bash
# The program under the desktop shells people use, one row of the table below per shell. In
# each: the icon shows in the shell's own notification area with its picture and tooltip;
# minimising hides the window into it; the shell's own gesture on the icon, made with the
# pointer, brings the window back in the same place; the shell ending while the window is
# hidden brings the window back in the same place; and a shell started again gets the icon.
# sway has no minimised state: there the window stays on screen and usable.
#
# Usage: test_desktops.sh BIN ROW   (ROW: tint2 lxqt lxqt-tray xfce plasma gnome sway)
# Exits 77 (skipped) when a program the row needs is not installed.
BIN=$1
row=$2
here=$(cd "$(dirname "$0")" && pwd)

# Per row: the programs it needs, where the shell's icons sit on a 1024x768 screen ("x y width
# height"), and the gesture that brings a window back (its number of clicks).
declare -A needs=(
    [tint2]="openbox tint2" [lxqt]="openbox lxqt-panel" [lxqt-tray]="openbox lxqt-panel"
    [xfce]="xfwm4 xfce4-panel" [plasma]="kwin_x11 kded5 plasmashell"
    [gnome]="gnome-shell gsettings" [sway]="sway waybar grim swaymsg setpriv unshare"
)
declare -A strip=(
    [tint2]="0 0 1024 32" [lxqt]="0 0 1024 32" [lxqt-tray]="0 0 1024 32" [xfce]="0 0 1024 32"
    [plasma]="600 700 424 68" [gnome]="0 0 1024 34" [sway]="0 0 1024 32"
)
declare -A clicks=([tint2]=2 [gnome]=2)
# How many times the window is hidden and brought back with the icon.
declare -A cycles=([gnome]=10)
# The shells that are the window manager too, and end with it.
declare -A manages_windows=([gnome]=1)

[[ -n ${needs[$row]:-} ]] || {
    echo "usage: $0 BIN ROW (${!needs[*]})" >&2
    exit 2
}
for program in ${needs[$row]} Xvfb xdotool xprop import convert dbus-run-session; do
    command -v "$program" >/dev/null || {
        echo "SKIPPED: $program is not installed (scripts/install-deps test)"
        exit 77
    }
done

if [[ $row == sway && -z ${OSTRANE_AS_NOBODY:-} ]]; then
    # sway will not run as root: as nobody, in namespaces of its own, so that XWayland's
    # display and sockets are the test's alone.
    [[ $(id -u) == 0 ]] || exec env OSTRANE_AS_NOBODY=1 "$0" "$@"
    home=$(mktemp -d "${TMPDIR:-/tmp}/ostrane-sway.XXXXXX")
    chown nobody:nogroup "$home"
    chmod 700 "$home"
    exec unshare -mn --propagation private bash -c '
        mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix
        ip link set lo up 2>/dev/null
        status=0
        HOME=$1 XDG_RUNTIME_DIR=$1 XDG_CONFIG_HOME=$1/config XDG_CACHE_HOME=$1/cache \
            XDG_DATA_HOME=$1/data OSTRANE_AS_NOBODY=1 setpriv --reuid=nobody --regid=nogroup \
            --clear-groups "$2" "$3" sway || status=$?
        rm -rf "$1"
        exit $status' bash "$home" "$0" "$BIN"
fi
if [[ -z ${OSTRANE_PRIVATE_BUS:-} ]]; then
    OSTRANE_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
source "$here/lib.sh"

# wait_long DESCRIPTION COMMAND...: as wait_until, for a whole desktop starting (at most 120 s).
wait_long() {
    local what=$1 tries
    shift
    for ((tries = 0; tries < 2400; tries++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    fail "timed out waiting for: $what"
}

owned() { dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" | grep -q 'boolean true'; }

# screenshot: the screen as a PNG on standard output.
screenshot() {
    if [[ $row == sway ]]; then grim -; else import -window root png:-; fi
}

# icon_spot: prints "x y", the middle of the program's icon in the shell's strip, once at least
# 20 pixels of its picture's violet glass show there (nothing else on these panels is that
# colour).
icon_spot() {
    local x y width height
    read -r x y width height <<<"${strip[$row]}"
    screenshot | convert png:- -crop "${width}x${height}+${x}+${y}" +repage txt:- |
        awk -F'[,:() ]+' -v x="$x" -v y="$y" 'NR > 1 {
            r = $3; g = $4; b = $5
            if (b > 110 && r > 40 && r < 120 && g < r && b - r > 50) { n++; sx += $1; sy += $2 } }
            END { if (n >= 20) print x + int(sx / n), y + int(sy / n) }' | grep .
}
no_icon_spot() { ! icon_spot; }

# click_icon: the shell's own gesture on the icon, with the pointer: clicks[$row] left clicks.
click_icon() {
    local x y
    read -r x y < <(icon_spot)
    if [[ $row == sway ]]; then
        swaymsg -q seat seat0 cursor set "$x" "$y"
        swaymsg -q seat seat0 cursor press button1
        swaymsg -q seat seat0 cursor release button1
    else
        xdotool mousemove "$x" "$y" click --repeat "${clicks[$row]:-1}" --delay 80 1
    fi
}

# restore_with_icon: clicks the icon until the window is back. A double click whose clicks
# reach the shell too far apart on a loaded machine is two clicks, and the next round tries
# again; a single click is made once.
restore_with_icon() {
    local round tries
    for ((round = 1; round <= 8; round++)); do
        click_icon
        for ((tries = 0; tries < 40 * round; tries++)); do
            shown_normal "$window" && return 0
            sleep 0.05
        done
        [[ ${clicks[$row]:-1} == 2 ]] || break
    done
    fail "the shell's click on the icon did not bring the window back"
}

# visible_windows: prints the windows shown on the display, one a line, sorted.
visible_windows() { xdotool search --onlyvisible --name '' 2>/dev/null | sort; }

# new_window_since LIST: succeeds once a window shows that is not in the file LIST (the
# shell's tooltip, whatever kind of window the shell makes it).
new_window_since() { visible_windows | comm -13 "$1" - | grep -q .; }

# shown_unmanaged WINDOW: succeeds while WINDOW is on screen with no window manager (whose
# list of windows, left behind on the root window, no longer counts).
shown_unmanaged() { mapped "$1" && ! iconic "$1"; }

# frame_position: prints "x y" of the window's frame (the client's place less the frame's
# left and top edges).
frame_position() {
    local x y left right top bottom
    read -r x y < <(position "$window")
    read -r left right top bottom < <(frame_extents "$window" || echo 0 0 0 0)
    echo $((x - left)) $((y - top))
}

# expect_in_place WHAT: fails unless the window's frame is where it was before minimising.
expect_in_place() {
    [[ $(frame_position) == "$before" ]] ||
        fail "$1: the window came back at $(frame_position), not at $before"
}

# The shells. start_shell starts the shell's panel (after the desktop's window manager on the
# first call) and waits until it can show icons; end_shell ends what start_shell started.

start_tint2() {
    cat >"$work/tint2rc" <<'EOF'
panel_items = S
panel_position = top center horizontal
panel_size = 100% 32
systray_icon_size = 24
systray_padding = 4 4 4
EOF
    tint2 -c "$work/tint2rc" >"$work/tint2.log" 2>&1 &
    pids+=($!)
    shell_pid=$!
    wait_long "tint2's panel" xdotool search --onlyvisible --classname '^tint2$'
}

start_lxqt() {
    mkdir -p "$XDG_CONFIG_HOME/lxqt"
    local plugins=statusnotifier
    [[ $row == lxqt-tray ]] && plugins=statusnotifier,tray
    cat >"$XDG_CONFIG_HOME/lxqt/panel.conf" <<EOF
[General]
__userfile__=true
panels=panel1

[panel1]
plugins=$plugins
position=Top
panelSize=32
iconSize=22
width=100
width-percent=true

[statusnotifier]
type=statusnotifier

[tray]
type=tray
EOF
    lxqt-panel >"$work/lxqt.log" 2>&1 &
    pids+=($!)
    shell_pid=$!
    wait_long "lxqt-panel's watcher" owned org.kde.StatusNotifierWatcher
}

start_xfce() {
    write_xfce_panel_config "$XDG_CONFIG_HOME" 6
    NO_AT_BRIDGE=1 xfce4-panel --disable-wm-check >"$work/xfce.log" 2>&1 &
    pids+=($!)
    shell_pid=$!
    wait_long "xfce4-panel's watcher" owned org.kde.StatusNotifierWatcher
}

start_plasma() {
    plasmashell >"$work/plasmashell.log" 2>&1 &
    pids+=($!)
    shell_pid=$!
    wait_long "plasmashell's host" owned_by_shell
}
# owned_by_shell: succeeds once the shell's process owns a StatusNotifierHost name.
owned_by_shell() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetConnectionUnixProcessID \
        "string:org.kde.StatusNotifierHost-$shell_pid" >/dev/null
}

# overview_active true|false: succeeds while GNOME Shell's overview is open, or closed.
overview_active() {
    dbus-send --session --print-reply --dest=org.gnome.Shell /org/gnome/Shell \
        org.freedesktop.DBus.Properties.Get string:org.gnome.Shell string:OverviewActive |
        grep -q "boolean $1"
}

# start_gnome: GNOME Shell, which is the window manager too; its AppIndicator extension is the
# notification area.
start_gnome() {
    XDG_SESSION_TYPE=x11 XDG_CURRENT_DESKTOP=GNOME gnome-shell --x11 --replace --sm-disable \
        >>"$work/gnome-shell.log" 2>&1 &
    pids+=($!)
    shell_pid=$!
    # GNOME Shell starts in its overview, over the windows.
    wait_long "GNOME Shell's overview" overview_active true
    dbus-send --session --print-reply --dest=org.gnome.Shell /org/gnome/Shell \
        org.freedesktop.DBus.Properties.Set string:org.gnome.Shell \
        string:OverviewActive variant:boolean:false >/dev/null
    wait_until "the overview to close" overview_active false
    wait_long "the extension's watcher" owned org.kde.StatusNotifierWatcher
}

start_sway_bar() {
    cat >"$work/waybar.json" <<'EOF'
{"layer": "top", "position": "top", "height": 32, "modules-right": ["tray"],
 "tray": {"icon-size": 22, "spacing": 6}}
EOF
    waybar -c "$work/waybar.json" >"$work/waybar.log" 2>&1 &
    pids+=($!)
    shell_pid=$!
    wait_long "waybar's watcher" owned org.kde.StatusNotifierWatcher
}

# start_desktop: the X server (or sway) and the desktop's window manager and services.
start_desktop() {
    case $row in
    tint2 | lxqt | lxqt-tray) start_x 1024 768 ;;
    xfce)
        start_x_server 1024 768
        xfwm4 --compositor=off --sm-client-disable >"$work/xfwm4.log" 2>&1 &
        pids+=($!)
        wait_until "xfwm4" xprop -root _NET_SUPPORTING_WM_CHECK
        ;;
    plasma | gnome)
        # A system bus of the test's own, empty: the desktops want one to start.
        dbus-daemon --session --address="unix:path=$XDG_RUNTIME_DIR/system_bus" --nofork \
            >"$work/system-bus.log" 2>&1 &
        pids+=($!)
        export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/system_bus
        wait_until "the system bus" test -S "$XDG_RUNTIME_DIR/system_bus"
        start_x_server 1024 768
        if [[ $row == plasma ]]; then
            export XDG_SESSION_TYPE=x11 XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true \
                KDE_SESSION_VERSION=5
            kwin_x11 --replace >"$work/kwin.log" 2>&1 &
            pids+=($!)
            kded5 >"$work/kded5.log" 2>&1 &
            pids+=($!)
            "$(dpkg -L kactivitymanagerd | grep 'libexec/kactivitymanagerd$')" \
                >"$work/activities.log" 2>&1 &
            pids+=($!)
            wait_long "kwin" xprop -root _NET_SUPPORTING_WM_CHECK
        else
            gsettings set org.gnome.shell disable-user-extensions false
            gsettings set org.gnome.shell enabled-extensions "['ubuntu-appindicators@ubuntu.com']"
            gsettings set org.gnome.shell welcome-dialog-last-shown-version "'999'"
            gsettings set org.gnome.desktop.background picture-uri "''"
            gsettings set org.gnome.desktop.background picture-uri-dark "''"
        fi
        ;;
    sway)
        export WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
            WLR_HEADLESS_OUTPUTS=1
        printf 'xwayland enable\noutput HEADLESS-1 resolution 1024x768 position 0 0\n' \
            >"$work/sway.conf"
        sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
        pids+=($!)
        wait_long "sway" compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock"
        SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock")
        export SWAYSOCK WAYLAND_DISPLAY=wayland-1 DISPLAY=:0
        ;;
    esac
}

start_shell() {
    case $row in
    tint2) start_tint2 ;;
    lxqt | lxqt-tray) start_lxqt ;;
    xfce) start_xfce ;;
    plasma) start_plasma ;;
    gnome) start_gnome ;;
    sway) start_sway_bar ;;
    esac
}

end_shell() {
    local child
    for child in $(pgrep -P "$shell_pid"); do kill "$child" 2>/dev/null || true; done
    kill "$shell_pid"
    wait_until "the shell to end" ended "$shell_pid"
}

start_desktop
start_shell
if [[ $row == sway ]]; then
    # sway draws its own frames and names no frame extents.
    "$BIN/corvissa" >"$work/corvissa.log" 2>&1 &
    pids+=($!)
    corvissa_pid=$!
    wait_long "the main window" windows_named "$corvissa_pid" Corvissa
    window=$(windows_named "$corvissa_pid" Corvissa | head -n 1)
    # No minimised state: the window stays on screen, and takes the keyboard and pointer.
    wait_long "the icon in waybar" icon_spot
    xdotool windowminimize "$window" || true
    xdotool windowactivate --sync "$window" || fail "the window cannot be activated"
    mapped "$window" || fail "the window left the screen"
    end_shell
    wait_until "the icon to leave with waybar" no_icon_spot
    start_shell
    wait_long "the icon in a new waybar" icon_spot
    # sway's X windows take no close request from other clients; sway's own does.
    swaymsg -q "[pid=$corvissa_pid] kill"
    wait_until "the program to end" ended "$corvissa_pid"
    echo "e2e desktops $row: passed"
    exit 0
fi
start_corvissa

wait_long "the icon with its picture in the shell" icon_spot
if [[ $row != gnome ]]; then # GNOME's extension shows no tooltips.
    read -r x y < <(icon_spot)
    visible_windows >"$work/windows-before-tooltip"
    xdotool mousemove "$x" "$y"
    wait_until "the icon's tooltip" new_window_since "$work/windows-before-tooltip"
    xdotool mousemove 500 400
fi
[[ -n ${KEEP_E2E:-} ]] && screenshot >"$work/shell.png"

# Under GNOME's window manager the window once came back a title bar higher each time.
before=$(frame_position)
client_before=$(position "$window")
for ((cycle = 1; cycle <= ${cycles[$row]:-1}; cycle++)); do
    xdotool windowminimize "$window"
    wait_until "the window to hide into the icon" hidden "$window"
    restore_with_icon
    expect_in_place "restored with the shell's click (cycle $cycle)"
done

xdotool windowminimize "$window"
wait_until "the window to hide again" hidden "$window"
end_shell
if [[ -n ${manages_windows[$row]:-} ]]; then
    # The window manager ended with the shell: the window shows without a frame, its client
    # area where it was.
    wait_until "the window back when the shell ended" shown_unmanaged "$window"
    [[ $(position "$window") == "$client_before" ]] ||
        fail "back when the shell ended: the client area came back at $(position "$window"), not at $client_before"
else
    wait_until "the window back when the shell ended" shown_normal "$window"
    expect_in_place "back when the shell ended"
fi

start_shell
wait_long "the window under the shell started again" shown_normal "$window"
expect_in_place "under the shell started again"
wait_long "the icon in the shell started again" icon_spot
xdotool windowminimize "$window"
wait_until "the window to hide into the new shell's icon" hidden "$window"
restore_with_icon
expect_in_place "restored from the new shell's icon"

wmctrl -i -c "$window"
wait_until "the program to end" ended "$corvissa_pid"
wait_until "the icon to leave the shell" no_icon_spot
echo "e2e desktops $row: passed"

# Shared steps of the end-to-end tests: a private X server with a window manager, the link
# peer and the program, all stopped when the test ends, whatever happens.
# Needs BIN (the folder of the built programs) and a private XDG_RUNTIME_DIR.

set -euo pipefail

work=$(mktemp -d "${TMPDIR:-/tmp}/ostrane-e2e.XXXXXX")
pids=()

cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    [[ -n ${KEEP_E2E:-} ]] || rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [[ -n ${DISPLAY:-} ]]; then
        echo "--- windows on $DISPLAY:" >&2
        xwininfo -root -tree >&2 || true
    fi
    if [[ -f $work/peer.out ]]; then
        echo "--- link peer output:" >&2
        cat "$work/peer.out" >&2
    fi
    exit 1
}

# wait_until DESCRIPTION COMMAND...: polls every 50 ms, for at most 30 s.
wait_until() {
    local what=$1
    shift
    local tries
    for ((tries = 0; tries < 600; tries++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    fail "timed out waiting for: $what"
}

# start_x [WIDTH HEIGHT]: a private X server with openbox managing it; sets DISPLAY.
start_x() {
    start_x_server "$@"
    # Openbox runs its start-up command once it manages windows.
    openbox --sm-disable --startup "touch $work/wm-ready" >"$work/openbox.log" 2>&1 &
    pids+=($!)
    wait_until "the window manager" test -e "$work/wm-ready"
}

# start_x_server [WIDTH HEIGHT]: a private X server with no window manager; sets DISPLAY.
start_x_server() {
    local width=${1:-1024} height=${2:-768}
    mkfifo "$work/display"
    Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp \
        3>"$work/display" >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    local display
    read -r -t 30 display <"$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=:$display
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM
}

# start_tray: a notification area (trayer) at the screen's lower right corner.
start_tray() {
    trayer --edge bottom --align right --widthtype request --height 32 --expand false \
        --SetDockType true >"$work/trayer.log" 2>&1 &
    pids+=($!)
    tray_pid=$!
    wait_until "the notification area" xdotool search --onlyvisible --name '^panel$'
}

# windows_named PID NAME: prints the shown windows of a process named exactly NAME (xdotool
# matches names without regard to case, and the notification icon is named "corvissa").
windows_named() {
    local window
    for window in $(xdotool search --onlyvisible --pid "$1"); do
        if [[ $(xdotool getwindowname "$window") == "$2" ]]; then echo "$window"; fi
    done | grep .
}

# tray_icon PID: prints the window of the program's icon in the notification area (the
# program's tooltips carry the same name).
tray_icon() {
    local window type
    for window in $(windows_named "$1" corvissa); do
        type=$(xprop -id "$window" _NET_WM_WINDOW_TYPE)
        [[ $type == *TOOLTIP* ]] || echo "$window"
    done | grep .
}

no_tray_icon() { ! tray_icon "$1"; }

# tooltip_shown PID: succeeds while one of the program's tooltips is on screen.
tooltip_shown() {
    local window type
    for window in $(windows_named "$1" corvissa); do
        type=$(xprop -id "$window" _NET_WM_WINDOW_TYPE)
        [[ $type == *TOOLTIP* ]] && return 0
    done
    return 1
}

# ended PID: succeeds once the process has ended (or is a zombie).
ended() {
    local state
    state=$(ps -o stat= -p "$1") || return 0
    [[ $state == Z* ]]
}

start_peer() {
    "$BIN/corvissa-link-peer" "$@" >"$work/peer.out" 2>&1 &
    pids+=($!)
    wait_until "the link peer" grep -q '^ready ' "$work/peer.out"
}

peer_printed() { grep -qxF -- "$1" <(sed -E 's/^(open|close|refuse|hang) #[0-9]+/\1/' "$work/peer.out"); }

start_corvissa() {
    "$BIN/corvissa" "$@" >"$work/corvissa.log" 2>&1 &
    pids+=($!)
    corvissa_pid=$!
    wait_until "the main window" windows_named "$corvissa_pid" Corvissa
    window=$(windows_named "$corvissa_pid" Corvissa | head -n 1)
    wait_until "the window's frame" frame_extents "$window"
}

# frame_extents WINDOW: prints "left right top bottom" once the window manager has framed it.
frame_extents() {
    xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.* = \([0-9]*\), \([0-9]*\), \([0-9]*\), \([0-9]*\)$/\1 \2 \3 \4/p' |
        grep .
}

# client_geometry WINDOW: prints "x y width height" of the client area on the screen.
client_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}

# The states of a window on the desktop: each succeeds while WINDOW is in it.
in_client_list() { xprop -root _NET_CLIENT_LIST | grep -qiw "$(printf '0x%x' "$1")"; }
mapped() { xwininfo -id "$1" | grep -q 'Map State: IsViewable'; }
iconic() { xprop -id "$1" WM_STATE | grep -q 'window state: Iconic'; }
hidden() { ! mapped "$1" && ! in_client_list "$1"; }
shown_normal() { mapped "$1" && in_client_list "$1" && ! iconic "$1"; }

# minimise_to_task_bar_and_back: with no notification area, a minimised window stays in the
# desktop's window list, and activating it there brings it back.
minimise_to_task_bar_and_back() {
    xdotool windowminimize "$window"
    wait_until "the window to be minimised" iconic "$window"
    in_client_list "$window" || fail "the minimised window left the desktop's window list"
    xdotool windowactivate "$window"
    wait_until "the window back from the task bar" shown_normal "$window"
}

# position WINDOW: prints "x y" of the client area on the screen.
position() { client_geometry "$1" | cut -d' ' -f1,2; }

# click WINDOW X Y [BUTTON]: a click at client coordinates, in pixels.
click() {
    xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"
}

# point_at_icon [NUDGE]: the pointer to the middle of the window $icon (the program's icon in
# the X11 tray), NUDGE pixels to the right.
point_at_icon() {
    local x y width height
    read -r x y width height < <(client_geometry "$icon")
    xdotool mousemove $((x + width / 2 + ${1:-0})) $((y + height / 2))
}

# double_click_until_shown: double clicks the icon $icon until the window $window is back.
# On a loaded machine the two clicks may reach the program too far apart to make a double
# click; they are then two single clicks, which change nothing, and the next round tries
# again.
double_click_until_shown() {
    local round tries
    for ((round = 1; round <= 12; round++)); do
        point_at_icon
        xdotool click --repeat 2 --delay 80 1
        for ((tries = 0; tries < 20 * round; tries++)); do
            shown_normal "$window" && return 0
            sleep 0.05
        done
    done
    fail "a double click on the icon did not bring the window back"
}

# start_sni_host [--host-later]: a StatusNotifierWatcher and host (tests/e2e/sni-host.py) on
# the session bus. Sets sni_host_pid.
start_sni_host() {
    # Emptied here: the new host's own redirection may come after the wait below has read
    # an earlier host's lines.
    : >"$work/sni-host.out"
    /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/sni-host.py" "$@" >"$work/sni-host.out" 2>&1 &
    pids+=($!)
    sni_host_pid=$!
    wait_until "the StatusNotifierItem host" grep -qx ready "$work/sni-host.out"
}

# sni_item: prints the bus name of the last item that registered with the host.
sni_item() {
    sed -n 's/^item //p' "$work/sni-host.out" | tail -n 1 | grep .
}

# call_item SERVICE METHOD ARGS...: calls a StatusNotifierItem method as a host does, and
# returns once the program has answered.
call_item() {
    local service=$1 method=$2
    shift 2
    dbus-send --session --print-reply --dest="$service" /StatusNotifierItem \
        "org.kde.StatusNotifierItem.$method" "$@" >/dev/null ||
        fail "the icon did not answer $method"
}

# write_xfce_panel_config FOLDER POSITION: under the config folder FOLDER, one xfce4-panel
# holding the status tray, at the panel's POSITION code (6 top, 8 bottom).
write_xfce_panel_config() {
    local channel=$1/xfce4/xfconf/xfce-perchannel-xml position=$2
    mkdir -p "$channel"
    cat >"$channel/xfce4-panel.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=$position;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="32"/>
      <property name="icon-size" type="uint" value="24"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
EOF
}

#!/bin/bash
# The main window, closed and open, and the about window look as their reference
# screenshots do: the same size, the same colour at every pixel outside the text, and text of
# the same colour in the same places. The desktop's style and palette change nothing: the
# same references hold under the Windows style, qt6ct's "darker" palette, a KDE Breeze Dark
# colour scheme and GTK's Adwaita:dark. At 1.25, 1.5 and 2 times the scale the windows match
# references of their own. LOOK_UPDATE=1 writes new references instead.
BIN=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
references=$here/reference

# Client-area rectangles, in pixels at a scale of 1, where glyphs are drawn.
main_text=(3,20,43,18 297,20,51,16 13,115,78,28 102,120,246,21 46,161,91,20 218,161,92,21)
panel_text=(5,202,115,21 122,202,230,17)
about_text=(78,348,188,24 3,347,71,22 79,322,196,24 4,322,79,27 74,297,93,26 4,297,63,20
    71,233,227,49 72,179,235,67 73,113,254,65 0,111,57,22 2,89,130,24 20,39,309,21 0,9,367,50)

scale=1
# scaled N...: each number, or each X,Y,W,H, times the scale, the rectangles widened by a
# pixel on each side for rounding.
scaled() {
    local area
    for area in "$@"; do
        awk -v s="$scale" -v a="$area" 'BEGIN {
            n = split(a, v, ",")
            if (n == 1) { printf "%d\n", v[1] * s + 0.5; exit }
            printf "%d,%d,%d,%d\n", v[1] * s - 1, v[2] * s - 1, v[3] * s + 2.5, v[4] * s + 2.5 }'
    done
}

# looks_like NAME WINDOW TEXT-AREAS...: polls until the window matches its reference.
looks_like() {
    local name=$1 id=$2
    shift 2
    local shot=$work/$name-$variant.png
    xdotool mousemove 1020 760
    if [[ -n ${LOOK_UPDATE:-} ]]; then
        # The window is drawn once two grabs in a row agree.
        wait_until "a steady $name" steady "$id" "$shot"
        cp "$shot" "$references/$name.png"
        echo "updated $references/$name.png"
        return
    fi
    local tries
    for ((tries = 0; tries < 200; tries++)); do
        "$BIN/lookcheck" grab "$id" "$shot" &&
            "$BIN/lookcheck" compare "$references/$name.png" "$shot" $(scaled "$@") \
                >"$work/$name.diff" &&
            return 0
        sleep 0.1
    done
    cat "$work/$name.diff" >&2
    cp "$shot" "${TMPDIR:-/tmp}/ostrane-look-$name-$variant.png"
    fail "$variant: $name does not look as $references/$name.png" \
        "(this run: ${TMPDIR:-/tmp}/ostrane-look-$name-$variant.png)"
}

steady() {
    "$BIN/lookcheck" grab "$1" "$2.1" && sleep 0.3 && "$BIN/lookcheck" grab "$1" "$2" &&
        cmp -s "$2.1" "$2"
}

client_height_is() { [[ $(client_geometry "$1" | cut -d' ' -f4) -eq $2 ]]; }
ended() {
    local state
    state=$(ps -o stat= -p "$1") || return 0
    [[ $state == Z* ]]
}

# look_under VARIANT SCALE [VARIABLE=VALUE]...: starts the program with those variables, checks
# both windows against the references of that scale, and ends the program.
look_under() {
    variant=$1 scale=$2
    shift 2
    local suffix=
    [[ $scale == 1 ]] || suffix=@$scale
    env "$@" "$BIN/corvissa" >"$work/corvissa-$variant.log" 2>&1 &
    pids+=($!)
    corvissa_pid=$!
    wait_until "the main window" windows_named "$corvissa_pid" Corvissa
    window=$(windows_named "$corvissa_pid" Corvissa | head -n 1)
    wait_until "the window's frame" frame_extents "$window"
    # The path field has the focus and its caret blinks: the focus goes back to the playlist
    # picture, which shows none.
    xdotool key shift+Tab

    looks_like "main-closed$suffix" "$window" "${main_text[@]}"
    click "$window" "$(scaled 175)" "$(scaled 171)"
    wait_until "the open panel" client_height_is "$window" "$(scaled 349)"
    looks_like "main-open$suffix" "$window" "${main_text[@]}" "${panel_text[@]}"

    click "$window" "$(scaled 322)" "$(scaled 28)"
    wait_until "the about window" windows_named "$corvissa_pid" "About the Coder. . ."
    local about
    about=$(windows_named "$corvissa_pid" "About the Coder. . ." | head -n 1)
    wait_until "the about window's frame" frame_extents "$about"
    looks_like "about$suffix" "$about" "${about_text[@]}"
    kill "$corvissa_pid"
    wait_until "the program to end" ended "$corvissa_pid"
}

start_x 1024 768
# The song list shows the program's folder: the root lists no songs on any machine.
cd /

# A desktop's own settings, each in a configuration folder of its own.
themes=$work/themes
mkdir -p "$themes/qt6ct/qt6ct" "$themes/kde"
cat >"$themes/qt6ct/qt6ct/qt6ct.conf" <<CONF
[Appearance]
color_scheme_path=/usr/share/qt6ct/colors/darker.conf
custom_palette=true
style=Windows
CONF
cp "$here/breeze-dark.kdeglobals" "$themes/kde/kdeglobals"

look_under default 1
if [[ -z ${LOOK_UPDATE:-} ]]; then
    look_under windows-style 1 QT_STYLE_OVERRIDE=windows
    look_under qt6ct-darker 1 QT_QPA_PLATFORMTHEME=qt6ct XDG_CONFIG_HOME="$themes/qt6ct"
    look_under breeze-dark 1 XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true \
        KDE_SESSION_VERSION=5 XDG_CONFIG_HOME="$themes/kde"
    look_under adwaita-dark 1 QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark
fi
look_under scale-1.25 1.25 QT_SCALE_FACTOR=1.25
look_under scale-1.5 1.5 QT_SCALE_FACTOR=1.5
look_under scale-2 2 QT_SCALE_FACTOR=2

echo "e2e look: passed"

#!/bin/bash
# The main window, closed and open, and the about window look as their reference
# screenshots do: the same size, the same colour at every pixel outside the text, and text of
# the same colour in the same places. LOOK_UPDATE=1 writes new references instead.
BIN=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
references=$here/reference

# Client-area rectangles, in pixels, where glyphs are drawn.
main_text=(3,20,43,18 297,20,51,16 13,115,78,28 102,120,246,21 46,161,91,20 218,161,92,21)
panel_text=(5,202,115,21 122,202,230,17)
about_text=(78,348,188,24 3,347,71,22 79,322,196,24 4,322,79,27 74,297,93,26 4,297,63,20
    71,233,227,49 72,179,235,67 73,113,254,65 0,111,57,22 2,89,130,24 20,39,309,21 0,9,367,50)

# looks_like NAME WINDOW TEXT-AREAS...: polls until the window matches its reference.
looks_like() {
    local name=$1 id=$2
    shift 2
    local shot=$work/$name.png
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
            "$BIN/lookcheck" compare "$references/$name.png" "$shot" "$@" >"$work/$name.diff" &&
            return 0
        sleep 0.1
    done
    cat "$work/$name.diff" >&2
    cp "$shot" "${TMPDIR:-/tmp}/ostrane-look-$name.png"
    fail "$name does not look as $references/$name.png (this run: ${TMPDIR:-/tmp}/ostrane-look-$name.png)"
}

steady() {
    "$BIN/lookcheck" grab "$1" "$2.1" && sleep 0.3 && "$BIN/lookcheck" grab "$1" "$2" &&
        cmp -s "$2.1" "$2"
}

client_height_is() { [[ $(client_geometry "$1" | cut -d' ' -f4) -eq $2 ]]; }

start_x 1024 768
# The song list shows the program's folder: the root lists no songs on any machine.
cd /
start_corvissa

looks_like main-closed "$window" "${main_text[@]}"

click "$window" 175 171
wait_until "the open panel" client_height_is "$window" 349
looks_like main-open "$window" "${main_text[@]}" "${panel_text[@]}"

click "$window" 322 28
wait_until "the about window" xdotool search --onlyvisible --name '^About the Coder\. \. \.$'
about=$(xdotool search --onlyvisible --name '^About the Coder\. \. \.$' | head -n 1)
wait_until "the about window's frame" frame_extents "$about"
looks_like about "$about" "${about_text[@]}"

echo "e2e look: passed"

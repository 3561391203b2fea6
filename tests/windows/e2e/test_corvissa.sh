#!/bin/bash
# corvissa.exe under Wine against the Windows link peer: the window is centred with its
# client area, the buttons reach the peer, the panel opens and closes, a double click on a
# song sends its exact path, minimising hides into the notification icon and the icon
# brings it back (and so does the shell's end), the pointer resting on a tagged song shows
# its tags, ABOUT opens one about window, EXIT ends the program silently. Both windows look
# as the Linux program's reference screenshots do, compared by LOOKCHECK (the tool beside
# this script by default); without it the test fails.
#
#   test_corvissa.sh BIN WINEPREFIX [LOOKCHECK]
BIN=$1
export WINEPREFIX=$2
here=$(cd "$(dirname "$0")" && pwd)
LOOKCHECK=${3:-$here/lookcheck}
source "$here/lib.sh"
for tool in "$LOOKCHECK" import stream identify; do
    command -v "$tool" >/dev/null || fail "no $tool: the look cannot be compared (scripts/install-deps windows)"
done

songs="$work/Песни ünï"
song='-01 Мелодия · ünï.spc'
mkdir -p "$songs/folder.spc"
touch "$songs/$song" "$songs/track 2.SP1" "$songs/notes.txt"
# One song with tags: a header whose text tags give a title, a game and a length of 2:05.
put() { printf '%b' "$3" | dd of="$1" bs=1 seek=$(($2)) conv=notrunc status=none; }
head -c 256 /dev/zero >"$songs/track 10.spc"
put "$songs/track 10.spc" 0 'SNES-SPC700 Sound File Data v0.30\032\032\032\036'
put "$songs/track 10.spc" 0x2e 'Ending Theme'
put "$songs/track 10.spc" 0x4e 'Game'
put "$songs/track 10.spc" 0xa9 '125'

start_x 1024 768
start_tray
start_peer_exe
# The song list starts in the folder the program was started in: first the root, which lists
# no songs on any machine, as in the reference screenshots.
cd /
start_corvissa_exe

# Centred, with the designed client area.
read -r left right top bottom < <(frame_extents "$window")
read -r x y width height < <(client_geometry "$window")
[[ $width -eq 350 && $height -eq 193 ]] || fail "client area is ${width}x${height}, not 350x193"
outer_width=$((left + width + right))
outer_height=$((top + height + bottom))
for axis in "$((x - left)) $outer_width 1024" "$((y - top)) $outer_height 768"; do
    read -r at size screen <<<"$axis"
    offset=$((2 * at + size - screen))
    ((offset >= -2 && offset <= 2)) || fail "not centred: frame at $((x - left)),$((y - top)), outer ${outer_width}x${outer_height}"
done

# The transport buttons and "Exit QV-SPC", by their client-area centres.
click "$window" 261 89
wait_until "STOP at the peer" peer_printed 'open QV-spc|STOP'
click "$window" 181 89
wait_until "PLAY at the peer" peer_printed 'open QV-spc|PLAY'
click "$window" 104 89
wait_until "PAUSE at the peer" peer_printed 'open QV-spc|PAUSE'
click "$window" 91 171
wait_until "QUIT at the peer" peer_printed 'open QV-spc|QUIT'
ended "$corvissa_pid" && fail "the program ended after sending QUIT"

client_height_is() { [[ $(client_geometry "$window" | cut -d' ' -f4) -eq $1 ]]; }
# looks_like NAME WINDOW TEXT-AREAS...: polls until the window matches the Linux reference
# outside the text areas, pixel for pixel. Inside them only the faces differ: Wine's font
# mapper and the Linux program's substitutes pick different fallbacks for the named faces
# (widths, and so word wraps, differ), so differing text blocks are listed, not failed.
looks_like() {
    local name=$1 id=$2 tries
    shift 2
    xdotool mousemove 1020 700
    for ((tries = 0; tries < 100; tries++)); do
        if "$LOOKCHECK" grab "$id" "$work/$name.png" 2>/dev/null; then
            "$LOOKCHECK" compare "$here/../../e2e/reference/$name.png" "$work/$name.png" "$@" \
                >"$work/$name.diff" 2>/dev/null && return 0
            if ! grep -v -e '^text block at ' -e ' differences$' "$work/$name.diff" | grep -q .; then
                echo "$name: $(grep -c '^text block at ' "$work/$name.diff") text blocks differ in their faces"
                return 0
            fi
        fi
        sleep 0.1
    done
    cat "$work/$name.diff" >&2
    cp "$work/$name.png" "${TMPDIR:-/tmp}/ostrane-wine-look-$name.png"
    fail "$name under Wine does not look as the reference (this run: ${TMPDIR:-/tmp}/ostrane-wine-look-$name.png)"
}
source "$here/lookareas.sh"
looks_like main-closed "$window" "${main_text[@]}"

# The panel opens by 156 pixels and closes again.
click "$window" 175 171
wait_until "the open panel" client_height_is 349
looks_like main-open "$window" "${main_text[@]}" "${panel_text[@]}"
# Elsewhere on the toggle: a second click at the same place in quick succession would make a
# double click, whose second half is no click.
click "$window" 160 165
wait_until "the closed panel" client_height_is 193

# Minimising hides the window into the icon; a double click on the icon restores it.
wait_until "the notification icon" xwininfo -id "$(xdotool search --onlyvisible --name '^panel$' | head -n 1)" -tree
mapped() { xwininfo -id "$1" | grep -q 'Map State: IsViewable'; }
in_client_list() { xprop -root _NET_CLIENT_LIST | grep -qiw "$(printf '0x%x' "$1")"; }
hidden() { ! mapped "$1" && ! in_client_list "$1"; }
xdotool windowminimize "$window"
wait_until "the window to hide, out of the desktop's window list" hidden "$window"
wait_until "the icon's double click" wine "$BIN/trayclick.exe"
wait_until "the window back" mapped "$window"

# ABOUT opens the about window, one however often it is clicked.
about_windows() { xdotool search --onlyvisible --name '^About the Coder\. \. \.$'; }
click "$window" 322 28
wait_until "the about window" about_windows
about=$(about_windows | head -n 1)
wait_until "the about window's frame" frame_extents "$about"
# The about window lies over the main window: bring the main window to the front, and
# ABOUT again brings the same about window forward instead of a second one.
# above WINDOW OTHER: WINDOW lies in front of OTHER.
above() {
    local stacking
    stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | tr -d ',' | tr ' ' '\n' | grep '^0x')
    (($(grep -nx "$(printf '0x%x' "$1")" <<<"$stacking" | cut -d: -f1) > \
        $(grep -nx "$(printf '0x%x' "$2")" <<<"$stacking" | cut -d: -f1)))
}
xdotool windowactivate "$window"
wait_until "the main window in front" above "$window" "$about"
click "$window" 322 28
wait_until "the about window in front again" above "$about" "$window"
[[ $(about_windows | wc -l) -eq 1 ]] || fail "ABOUT opened $(about_windows | wc -l) about windows"
looks_like about "$about" "${about_text[@]}"
# Its close picture closes it.
click "$about" 330 390
about_gone() { ! about_windows; }
wait_until "the about window to close" about_gone

# Closing the main window ends the program when no other window is open.
wmctrl -i -c "$window"
wait_until "the program to end after closing" ended "$corvissa_pid"

# Started in the folder of songs, the list shows them; the first entry is the song with the
# non-Latin name, and its path arrives letter for letter.
cd "$songs"
start_corvissa_exe
click "$window" 175 171
wait_until "the open panel" client_height_is 349
xdotool mousemove --window "$window" 60 252 click --repeat 2 --delay 80 1
wait_until "the song at the peer" peer_printed "open QV-spc|$(as_printed "$(wine_path "$songs")\\$song")"
# The songs in natural order, one below the other: "track 2" before "track 10".
xdotool mousemove --window "$window" 60 268 click --repeat 2 --delay 80 1
wait_until "the second song" peer_printed "open QV-spc|$(as_printed "$(wine_path "$songs")\\track 2.SP1")"
# A double click below the songs sends nothing.
sent=$(peer_lines)
xdotool mousemove --window "$window" 60 300 click --repeat 2 --delay 80 1
click "$window" 261 89
stops_sent() { [[ $(grep -c '^open #[0-9]* QV-spc|STOP$' "$work/peer.out") -eq $1 ]]; }
wait_until "STOP again" stops_sent 2
sed -n "$((sent + 1)),\$p" "$work/peer.out" | grep -q '\.spc' &&
    fail "a double click beside the songs sent one"

# The pointer resting on the tagged song shows its tags as a tooltip, by the tooltip window's
# text; on the untagged song above it the tooltip goes.
song_tip() { xdotool search --onlyvisible --name '^Ending Theme' >/dev/null; }
no_song_tip() { ! song_tip; }
xdotool mousemove --window "$window" 60 284
wait_until "the tagged song's tooltip" song_tip
xdotool mousemove --window "$window" 60 268
wait_until "the tooltip to go on the untagged song" no_song_tip

# EXIT ends the program at once and tells the player nothing.
sent=$(peer_lines)
click "$window" 24 28
wait_until "the program to end" ended "$corvissa_pid"
ended "$peer_pid" && fail "the link peer ended with the program"
sed -n "$((sent + 1)),\$p" "$work/peer.out" | grep -q '^open ' && fail "EXIT sent something"

# A window hidden in the icon comes back when the shell that holds the icon ends for good.
start_corvissa_exe
xdotool windowminimize "$window"
wait_until "the window to hide again" hidden "$window"
# Only this prefix's shell: other tests' prefixes run theirs beside it.
wine taskkill /f /im explorer.exe >/dev/null 2>&1 || fail "no shell to end"
wait_until "the window back after the shell ended" mapped "$window"
wmctrl -i -c "$window"
wait_until "the program to end after the shell's end" ended "$corvissa_pid"
# At other scales, set by the prefix's LogPixels (read as Wine starts), the main window looks
# as the Linux program's does at that scale, outside text pixel for pixel; the text areas
# scaled as the Linux look test scales them. Each row: dots per inch, the Linux scale.
at_dots_per_inch() {
    stop_wine
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 ||
        fail "cannot set LogPixels to $1"
    stop_wine
}
scaled_areas() {
    local area
    for area in "${@:2}"; do
        awk -v s="$1" -v a="$area" 'BEGIN { split(a, v, ",")
            printf "%d,%d,%d,%d\n", v[1] * s - 1, v[2] * s - 1, v[3] * s + 2.5, v[4] * s + 2.5 }'
    done
}
for row in "120 1.25" "144 1.5" "192 2"; do
    read -r dpi scale <<<"$row"
    at_dots_per_inch "$dpi"
    start_corvissa_exe
    mapfile -t areas < <(scaled_areas "$scale" "${main_text[@]}")
    looks_like "main-closed@$scale" "$window" "${areas[@]}"
    wmctrl -i -c "$window"
    wait_until "the program to end at $dpi dots per inch" ended "$corvissa_pid"
done
at_dots_per_inch 96
echo "windows e2e: passed"

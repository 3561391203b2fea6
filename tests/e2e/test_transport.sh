#!/bin/bash
# The program starts centred, and each transport button reaches the player.
BIN=$1
source "$(dirname "$0")/lib.sh"

start_x 1024 768
start_peer
start_corvissa --style=windows -reverse ignored-argument

read -r left right top bottom < <(frame_extents "$window")
read -r x y width height < <(client_geometry "$window")
[[ $width -eq 350 && $height -eq 193 ]] || fail "client area is ${width}x${height}, not 350x193"
outer_width=$((left + width + right))
outer_height=$((top + height + bottom))
frame_x=$((x - left))
frame_y=$((y - top))
for axis in "$frame_x $outer_width 1024" "$frame_y $outer_height 768"; do
    read -r at size screen <<<"$axis"
    offset=$((2 * at + size - screen))
    ((offset >= -2 && offset <= 2)) || fail "not centred: frame at $frame_x,$frame_y, outer ${outer_width}x${outer_height}"
done

# Client-area centres of stop, play, pause and "Exit QV-SPC".
click "$window" 261 89
wait_until "STOP at the peer" peer_printed 'open QV-spc|STOP'
click "$window" 181 89
wait_until "PLAY at the peer" peer_printed 'open QV-spc|PLAY'
click "$window" 104 89
wait_until "PAUSE at the peer" peer_printed 'open QV-spc|PAUSE'
click "$window" 91 171
wait_until "QUIT at the peer" peer_printed 'open QV-spc|QUIT'

kill -0 "$corvissa_pid" || fail "the program ended after sending QUIT"

# A second copy runs beside the first, centred at the same place.
first_pid=$corvissa_pid
first_place=$(client_geometry "$window")
start_corvissa
[[ $(client_geometry "$window") == "$first_place" ]] ||
    fail "second window at $(client_geometry "$window"), first at $first_place"
kill -0 "$first_pid" || fail "the first copy ended when the second started"
echo "e2e transport: passed"

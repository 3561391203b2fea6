#!/bin/bash
# While the player hangs, the window answers the window manager's pings at once and can be
# moved; ending the program waits for one open at most.
BIN=$1
source "$(dirname "$0")/lib.sh"

# now_ms: prints the monotonic-enough wall clock in milliseconds.
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# ended PID: succeeds once the process is gone or only its exit status remains.
ended() { [[ ! -e /proc/$1 ]] || [[ $(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) == Z ]]; }

# hung_count: prints how many conversations the peer holds or has held unanswered.
hung_count() { grep -c '^hang ' "$work/peer.out" || true; }

start_x 1024 768
start_peer --hang
start_corvissa

"$BIN/wmping" "$window" "$work/stop-ping" >"$work/ping.out" 2>&1 &
pids+=($!)
ping_pid=$!
wait_until "the first answer to a ping" grep -q '^answered' "$work/ping.out"

# Stop, play, pause, "Exit QV-SPC", stop: five opens that each wait out their time-out.
for at in "261 89" "181 89" "104 89" "91 171" "261 89"; do
    # shellcheck disable=SC2086
    click "$window" $at
done
# The window moves while they wait.
read -r x y _ < <(client_geometry "$window")
xdotool windowmove "$window" 40 50
wait_until "the window to move" bash -c "[[ \$(xwininfo -id $window | awk '/Absolute upper-left X/ {print \$NF}') != $x ]]"
wait_until "the fifth press at the peer" grep -q '^hang #5 QV-spc|STOP$' "$work/peer.out"

touch "$work/stop-ping"
wait_until "the pings' figures" grep -q '^pings ' "$work/ping.out"
read -r _ count _ worst _ _ median _ < <(grep '^pings ' "$work/ping.out")
echo "pings while the player hung: $count, worst $worst ms, median $median ms"
# A window waiting on the player would leave a ping unanswered for a whole second; the bound
# leaves room for a busy machine, and the figures above say how quick it really was.
((count >= 20)) || fail "only $count pings answered in the five presses' time"
awk -v w="$worst" 'BEGIN { exit !(w < 500) }' || fail "a ping waited $worst ms"

# In the order pressed, one at a time.
order=$(sed -nE 's/^(hang|close) #([0-9]+).*/\1 \2/p' "$work/peer.out" | head -n 9 | tr '\n' ' ')
[[ $order == "hang 1 close 1 hang 2 close 2 hang 3 close 3 hang 4 close 4 hang 5 " ]] ||
    fail "conversations out of order: $order"

# Ending while one open waits for its answer and another is queued behind it.
click "$window" 181 89
click "$window" 104 89
wait_until "the sixth press at the peer" grep -q '^hang #6 QV-spc|PLAY$' "$work/peer.out"
started=$(now_ms)
wmctrl -i -c "$window"
wait_until "the program's end" ended "$corvissa_pid"
took=$(($(now_ms) - started))
echo "ending with an open under way took $took ms"
((took < 2500)) || fail "ending took $took ms"
[[ $(hung_count) -eq 6 ]] || fail "a queued open reached the player after the end"
echo "e2e hung player: passed"

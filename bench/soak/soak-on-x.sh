#!/bin/bash
# soak-on-x.sh BIN [CONVERSATIONS]: bench_soak on a private X server with a window manager,
# while wmping pings the soak's window as the window manager would. Prints the soak's
# figures and the pings' worst and median answer times.
# Run it through tests/with-private-runtime, as the end-to-end tests are.
BIN=$1
count=${2:-100000}
source "$(dirname "$0")/../../tests/e2e/lib.sh"

start_x 1024 768
"$BIN/bench_soak" "$count" >"$work/soak.out" 2>&1 &
pids+=($!)
soak_pid=$!
wait_until "the soak's window" windows_named "$soak_pid" Corvissa
window=$(windows_named "$soak_pid" Corvissa | head -n 1)
"$BIN/wmping" "$window" "$work/stop-ping" >"$work/ping.out" 2>&1 &
pids+=($!)

# The last sample comes with the last press, while the window still stands.
last_sample() { grep -Eq "^ +$count " "$work/soak.out"; }
for ((waited = 0; waited < 3600; waited++)); do
    last_sample && break
    kill -0 "$soak_pid" 2>/dev/null || break
    sleep 1
done
touch "$work/stop-ping"
wait "$soak_pid" || true
wait_until "the pings' figures" grep -q '^pings ' "$work/ping.out"
cat "$work/soak.out"
echo "window manager pings during the soak: $(grep '^pings ' "$work/ping.out")"

# Shared steps of the Windows end-to-end tests: the Linux tests' X server, window manager and
# notification area, with the Windows programs run under Wine in the prefix WINEPREFIX.
# Needs BIN (the folder of the built .exe files) and WINEPREFIX.

source "$(dirname "${BASH_SOURCE[0]}")/../../e2e/lib.sh"

# The tests change folder: the programs are found wherever they do.
BIN=$(cd "$BIN" && pwd)

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Unix file names are UTF-8: Wine then hands them to the program as the same letters.
export LC_ALL=C.UTF-8

# The prefix's Wine server belongs to this test's X server: it goes when the test ends.
stop_wine() { wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; }
trap 'stop_wine; cleanup' EXIT

# wine_path UNIXPATH: prints the Windows path Wine gives a Unix path (its Z: drive).
wine_path() { printf 'Z:%s' "${1//\//\\}"; }

# as_printed TEXT: TEXT as the peer prints it, each backslash doubled.
as_printed() { printf '%s' "${1//\\/\\\\}"; }

# start_peer_exe: the Windows link peer, ready once it has registered its service.
start_peer_exe() {
    wine "$BIN/corvissa-link-peer.exe" "$@" >"$work/peer.out" 2>&1 &
    pids+=($!)
    peer_pid=$!
    wait_until "the link peer" grep -q '^ready ' "$work/peer.out"
}

# start_corvissa_exe [EXE]: starts the program from the current folder; sets corvissa_pid
# and window (its main window, framed).
start_corvissa_exe() {
    wine "${1:-$BIN/corvissa.exe}" >"$work/corvissa.log" 2>&1 &
    pids+=($!)
    corvissa_pid=$!
    wait_until "the main window" xdotool search --onlyvisible --name '^Corvissa$'
    window=$(xdotool search --onlyvisible --name '^Corvissa$' | head -n 1)
    wait_until "the window's frame" frame_extents "$window"
}

# peer_lines: the number of lines the peer has printed.
peer_lines() { wc -l <"$work/peer.out"; }

# ended PID: the process is gone (or a zombie).
ended() {
    local state
    state=$(ps -o stat= -p "$1") || return 0
    [[ $state == Z* ]]
}

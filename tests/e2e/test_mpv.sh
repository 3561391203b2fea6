#!/bin/bash
# With the MPRIS bridge and a real headless mpv in place of the link peer, a double click on
# a song makes mpv play it: its xesam:url names the file, and the sound mpv makes (written to
# a file in place of a sound card) is the song's 440 Hz tone. Needs a private session bus.
BIN=$1
source "$(dirname "$0")/lib.sh"

songs="$work/my songs #1"
mkdir -p "$songs"
cp "$BIN/../demo-songs/01 A440.spc" "$songs/01 Ærø 100%.spc"
cp "$BIN/../demo-songs/02 C523.spc" "$songs/02 second.spc"
expected_url="file://${work// /%20}/my%20songs%20%231/01%20%C3%86r%C3%B8%20100%25.spc"

# mpv_metadata: prints mpv's Metadata as dbus-send shows it.
mpv_metadata() {
    dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.mpv /org/mpris/MediaPlayer2 \
        org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player string:Metadata
}
mpv_plays() { mpv_metadata | grep -qF "string \"$expected_url\"" && mpv_metadata | grep -q 'mpris:length'; }

start_x 1024 768
"$BIN/corvissa-mpris-bridge" --player mpv --launch "mpv --idle=yes --no-config --no-terminal \
    --vo=null --ao=pcm --ao-pcm-file='$work/heard.wav' --audio-format=s16 \
    --script=/usr/lib/mpv-mpris/mpris.so" >"$work/peer.out" 2>&1 &
pids+=($!)
wait_until "the bridge" grep -q '^ready ' "$work/peer.out"
wait_until "the bridge to start mpv" grep -q '^player mpv$' "$work/peer.out"
cd "$songs"
start_corvissa

client_height_is() { [[ $(client_geometry "$1" | cut -d ' ' -f 4) -eq $2 ]]; }
click "$window" 175 171
wait_until "the panel to open" client_height_is "$window" 349
xdotool mousemove --window "$window" 60 252 click --repeat 2 --delay 80 1
wait_until "mpv to play the song" mpv_plays
grep -qF "open #1 QV-spc|$songs/01 Ærø 100%.spc -> mpv OpenUri $expected_url" "$work/peer.out" ||
    fail "the bridge did not report the song it loaded"
here=$(cd "$(dirname "$0")" && pwd)
wait_until "a second of sound from mpv" "$here/tone.py" "$work/heard.wav"
pitch=$("$here/tone.py" "$work/heard.wav")
((pitch > 430 && pitch < 455)) || fail "mpv made a sound of $pitch Hz, not the song's 440 Hz"
echo "e2e mpv: passed"

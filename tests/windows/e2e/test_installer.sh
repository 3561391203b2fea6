#!/bin/bash
# The installer installs silently with a Start-menu entry and an uninstaller, the installed
# program starts, and the uninstaller takes everything away again.
#
#   test_installer.sh BIN WINEPREFIX INSTALLER
BIN=$1
export WINEPREFIX=$2
installer=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

folder="$WINEPREFIX/drive_c/Program Files/Ostrane"
entry="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Ostrane/Corvissa.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ostrane'
registered() { wine reg query "$key" >/dev/null 2>&1; }
gone() { [[ ! -e $folder && ! -e $entry ]] && ! registered; }

start_x 1024 768
# A run before this one may have stopped half-way: start from nothing.
gone || wine "$folder/uninstall.exe" /S || true
wait_until "a prefix without the program" gone

wine "$installer" /S || fail "the installer failed"
wait_until "the installed program" test -f "$folder/corvissa.exe"
[[ -f "$folder/uninstall.exe" ]] || fail "no uninstaller in $folder"
[[ -f $entry ]] || fail "no Start-menu entry at $entry"
registered || fail "the program is not in Windows' list of programs"
cmp -s "$folder/corvissa.exe" "$(dirname "$installer")/package/corvissa.exe" ||
    fail "the installed program is not the one built"

cd /
start_corvissa_exe "$folder/corvissa.exe"
wmctrl -i -c "$window"
wait_until "the installed program to end" ended "$corvissa_pid"

# The uninstaller copies itself away and goes on from there: wait until all is gone.
wine "$folder/uninstall.exe" /S || fail "the uninstaller failed"
wait_until "the program, its entry and its registration to go" gone
echo "windows installer: passed"

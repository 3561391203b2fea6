#!/bin/bash
# The program's identity on the desktop: the desktop entry and the AppStream record pass
# their validators, and `cmake --install` puts them, the icon and the program in place.
set -euo pipefail
source_dir=$1
build_dir=$2
version=$3
assets=$source_dir/assets
prefix=$(mktemp -d "${TMPDIR:-/tmp}/ostrane-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build_dir" --prefix "$prefix" >/dev/null
desktop-file-validate "$assets/org.ostrane.Corvissa.desktop"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/org.ostrane.Corvissa.metainfo.xml"

for file in bin/corvissa share/applications/org.ostrane.Corvissa.desktop \
    share/metainfo/org.ostrane.Corvissa.metainfo.xml share/icons/hicolor/32x32/apps/corvissa.png; do
    [[ -s $prefix/$file ]] || { echo "not installed: $file" >&2; exit 1; }
done
[[ -x $prefix/bin/corvissa ]] || { echo "the installed program cannot run" >&2; exit 1; }

# The entry starts the installed program by name and shows the installed icon.
grep -qx 'Exec=corvissa' "$prefix/share/applications/org.ostrane.Corvissa.desktop"
grep -qx 'Icon=corvissa' "$prefix/share/applications/org.ostrane.Corvissa.desktop"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/org.ostrane.Corvissa.metainfo.xml"
echo "identity: passed"

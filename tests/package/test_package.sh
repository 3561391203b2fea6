#!/bin/bash
# make package's Debian package: its control fields, its contents, lintian's verdict, and the
# desktop entry, AppStream record and manual pages as they come out of it.
# Usage: test_package.sh BUILD_DIR VERSION EXPECT_BRIDGE(0|1)
set -euo pipefail
build_dir=$1
version=$2
expect_bridge=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/ostrane-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack could not build the package"; }
deb=$work/out/corvissa_${version}_amd64.deb
[[ -f $deb ]] || fail "no $(basename "$deb") in: $(ls "$work/out")"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == corvissa ]] || fail "Package: $(field Package)"
[[ $(field Version) == "$version" ]] || fail "Version: $(field Version), not $version"
[[ $(field Architecture) == amd64 ]] || fail "Architecture: $(field Architecture)"
[[ $(field Section) == sound ]] || fail "Section: $(field Section)"
[[ $(field Recommends) == "mpv, mpv-mpris" ]] || fail "Recommends: $(field Recommends)"
depends=$(field Depends)
echo "Depends: $depends"
# The fonts the windows use, and the libraries shlibdeps found in the binaries.
for package in fonts-liberation fonts-urw-base35 fonts-wine fonts-comic-neue \
    libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
    [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]] ||
        fail "Depends lacks $package"
done
if ((expect_bridge)); then
    [[ $depends == *libsystemd0* ]] || fail "Depends lacks libsystemd0 (the bridge)"
fi

# Contents: exactly these files, each binary stripped, each page compressed.
expected=(
    usr/bin/corvissa
    usr/bin/corvissa-link-peer
    usr/share/applications/org.ostrane.Corvissa.desktop
    usr/share/doc/corvissa/changelog.gz
    usr/share/doc/corvissa/copyright
    usr/share/icons/hicolor/32x32/apps/corvissa.png
    usr/share/man/man1/corvissa-link-peer.1.gz
    usr/share/man/man1/corvissa.1.gz
    usr/share/metainfo/org.ostrane.Corvissa.metainfo.xml
)
if ((expect_bridge)); then
    expected+=(
        usr/bin/corvissa-mpris-bridge
        usr/lib/systemd/user/corvissa-mpris-bridge.service
        usr/lib/systemd/user/corvissa-mpris-bridge.socket
        usr/share/man/man1/corvissa-mpris-bridge.1.gz
    )
fi
dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./||' | sort >"$work/files"
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
diff -u "$work/expected" "$work/files" >&2 || fail "the package's files differ from the list"
dpkg-deb --fsys-tarfile "$deb" | tar -tv | awk '$2 != "root/root" {print}' >"$work/owners"
[[ ! -s $work/owners ]] || fail "files not owned by root: $(cat "$work/owners")"

root=$work/root
dpkg-deb -x "$deb" "$root"
for binary in "$root"/usr/bin/*; do
    [[ -x $binary ]] || fail "$binary is not executable"
    file -b "$binary" | grep ', stripped' >/dev/null || fail "$binary is not stripped"
done
# The unpacked peer runs: the package's binaries are whole and find their libraries.
"$root/usr/bin/corvissa-link-peer" --help | grep '^Usage: corvissa-link-peer' >/dev/null ||
    fail "the packaged corvissa-link-peer does not run"

# The bridge's units: valid as systemd reads them, the service running the packaged program,
# and the socket enabled for every user by the package's own scripts.
if ((expect_bridge)); then
    units=$root/usr/lib/systemd/user
    exec_start=$(sed -n 's/^ExecStart=\([^ ]*\).*/\1/p' "$units/corvissa-mpris-bridge.service")
    [[ $exec_start == /usr/bin/corvissa-mpris-bridge ]] ||
        fail "the service runs $exec_start, not the packaged /usr/bin/corvissa-mpris-bridge"
    # Checked where they are unpacked: the program they name is found there.
    mkdir "$work/units"
    for unit in "$units"/*; do
        sed "s|=/usr/bin/|=$root/usr/bin/|" "$unit" >"$work/units/$(basename "$unit")"
    done
    mkdir -m 0700 "$work/runtime" # a user's manager needs one; never the real user's
    XDG_RUNTIME_DIR=$work/runtime systemd-analyze verify --user --man=no "$work"/units/* ||
        fail "systemd-analyze finds fault with the units"
    dpkg-deb -e "$deb" "$work/control"
    DPKG_ROOT=$root DPKG_MAINTSCRIPT_PACKAGE=corvissa DPKG_MAINTSCRIPT_NAME=postinst \
        sh "$work/control/postinst" configure
    [[ -L $root/etc/systemd/user/sockets.target.wants/corvissa-mpris-bridge.socket ]] ||
        fail "installing the package does not enable the bridge's socket"
fi

# The desktop files and pages as installed.
desktop-file-validate "$root/usr/share/applications/org.ostrane.Corvissa.desktop"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/org.ostrane.Corvissa.metainfo.xml"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/org.ostrane.Corvissa.metainfo.xml" ||
    fail "the AppStream record's release is not $version"
zcat "$root/usr/share/doc/corvissa/changelog.gz" | sed -n 1p | grep -F "corvissa ($version) " >/dev/null ||
    fail "the changelog's first entry is not $version"
for page in "$root"/usr/share/man/man1/*.1.gz; do
    zcat "$page" | grep "^\.TH .* \"Ostrane $version\"" >/dev/null || fail "$page does not say $version"
done

# Debian's own checks, the manual pages' groff warnings among them. Errors and warnings
# fail; the notes are printed.
lintian --fail-on error,warning "$deb" 2>&1 | tee "$work/lintian.txt" ||
    fail "lintian found errors or warnings"
echo "lintian: $(wc -l <"$work/lintian.txt") notes"
echo "package: passed"

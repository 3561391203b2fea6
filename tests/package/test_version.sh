#!/bin/bash
# The version is written once: everything that shows it carries the one from
# cmake/OstraneVersion.cmake, and no source file spells it out.
# Usage: test_version.sh SOURCE_DIR BUILD_DIR VERSION
set -euo pipefail
source_dir=$1
build_dir=$2
version=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

grep -qx "set(OSTRANE_VERSION $version)" "$source_dir/cmake/OstraneVersion.cmake" ||
    fail "the project's version is not the one in cmake/OstraneVersion.cmake"

# The program and the Windows version record read the generated header.
grep -qx "#define OSTRANE_VERSION_TEXT \"$version\"" \
    "$build_dir/generated/version/ostrane_version.h" || fail "ostrane_version.h"
grep -q '"FileVersion", OSTRANE_VERSION_TEXT' "$source_dir/assets/windows/corvissa.rc" ||
    fail "corvissa.rc does not take its version from ostrane_version.h"
grep -q 'OSTRANE_VERSION_TEXT' "$source_dir/src/qt/main.cpp" ||
    fail "the program does not take its version from ostrane_version.h"

# The AppStream release, the manual pages and the package's changelog.
grep -q "<release version=\"$version\"" "$build_dir/assets/org.ostrane.Corvissa.metainfo.xml" ||
    fail "the AppStream release is not $version"
for page in "$build_dir"/docs/man/*.1; do
    grep -q "^\.TH .* \"Ostrane $version\"" "$page" || fail "$page is not of $version"
done
sed -n 1p "$build_dir/generated/debian/changelog" | grep -qF "corvissa ($version) " ||
    fail "the changelog's entry is not $version"

# Nowhere else: a second copy would drift at the next release.
if grep -rnIF --exclude-dir=.git "$version" "$source_dir/src" "$source_dir/assets" \
    "$source_dir/tools" "$source_dir/windows" "$source_dir/docs/man"; then
    fail "the version is written out above; take it from the build instead"
fi
echo "version $version: agreed"

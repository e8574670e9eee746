#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the SQLite amalgamation (sqlite3.c, sqlite3.h) that the Windows
# cross-build compiles, from Debian's own sqlite3 source package (with Debian's
# patches), in a cache directory outside the source tree. Needs deb-src entries
# in apt's sources, dpkg-dev, tcl, make and a native C compiler.
# Usage: scripts/sqlite-amalgamation.sh [--force]
# The cache is $DSPPROG_CACHE, else $XDG_CACHE_HOME/dspprog, else ~/.cache/dspprog;
# the result lands in its sqlite-amalgamation/ directory.
set -euo pipefail

cache=${DSPPROG_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dspprog}
out=$cache/sqlite-amalgamation

if [[ "${1:-}" != "--force" && -f $out/sqlite3.c && -f $out/sqlite3.h ]]; then
    exit 0
fi

mkdir -p "$cache"
work=$(mktemp -d "$cache/sqlite-build.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "Making the SQLite amalgamation from Debian's sqlite3 source package in $out" >&2
(
    cd "$work"
    apt-get source --download-only sqlite3 >/dev/null
    dpkg-source --no-check -x sqlite3_*.dsc source >/dev/null
    mkdir build
    cd build
    ../source/configure --disable-tcl >/dev/null
    make sqlite3.c >/dev/null
)

rm -rf "$out.new"
mkdir "$out.new"
cp "$work/build/sqlite3.c" "$work/build/sqlite3.h" "$work/build/sqlite3ext.h" "$out.new/"
basename "$work"/sqlite3_*.dsc .dsc > "$out.new/SOURCE"
rm -rf "$out"
mv "$out.new" "$out"

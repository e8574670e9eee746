#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiles libusb-1.0 as a static library for 64-bit Windows, from
# Debian's own libusb-1.0 source package (with Debian's patches), into a cache
# directory outside the source tree: Debian packages no libusb for mingw.
# Needs deb-src entries in apt's sources, dpkg-dev, make and the mingw-w64
# compilers; the release tarball comes with its configure script, so the
# autotools are not needed.
# Usage: scripts/libusb-mingw.sh [--force]
# The cache is $DSPPROG_CACHE, else $XDG_CACHE_HOME/dspprog, else ~/.cache/dspprog;
# the result lands in its libusb-mingw/ directory (include/, lib/, lib/pkgconfig/).
set -euo pipefail

host=x86_64-w64-mingw32
cache=${DSPPROG_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dspprog}
out=$cache/libusb-mingw

# SOURCE is written last: a directory with it holds a complete install.
if [[ "${1:-}" != "--force" && -f $out/SOURCE && -f $out/lib/libusb-1.0.a &&
      -f $out/include/libusb-1.0/libusb.h ]]; then
    exit 0
fi

mkdir -p "$cache"
cache=$(cd "$cache" && pwd)  # the install prefix is written into libusb-1.0.pc
out=$cache/libusb-mingw
work=$(mktemp -d "$cache/libusb-build.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "Cross-compiling libusb for $host from Debian's libusb-1.0 source package into $out" >&2
(
    cd "$work"
    apt-get source --download-only libusb-1.0 >/dev/null
    dpkg-source --no-check -x libusb-1.0_*.dsc source >/dev/null
    mkdir build
    cd build
    # The -posix compilers, as the rest of the Windows build uses; the
    # library itself brings its own Windows threads either way.
    ../source/configure --host=$host --enable-static --disable-shared \
        --disable-examples-build --disable-tests-build --prefix="$out" \
        CC=$host-gcc-posix CXX=$host-g++-posix >configure.log 2>&1 ||
        { tail -n 30 configure.log >&2; exit 1; }
    make -j2 >make.log 2>&1 || { tail -n 30 make.log >&2; exit 1; }
    # Staged, so that the cache holds either the whole install or none of it.
    make install DESTDIR="$work/stage" >install.log 2>&1 || { tail -n 30 install.log >&2; exit 1; }
)

rm -rf "$out.new"
mv "$work/stage$out" "$out.new"
# libtool's archive notes are of no use to CMake.
rm -f "$out.new"/lib/*.la
basename "$work"/libusb-1.0_*.dsc .dsc > "$out.new/SOURCE"
rm -rf "$out"
mv "$out.new" "$out"

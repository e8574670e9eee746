#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiles libpq, PostgreSQL's client library, as a static library for
# 64-bit Windows, from Debian's postgresql-15 source package (with Debian's
# patches), into a cache directory outside the source tree: Debian packages no
# libpq for mingw. Only the client library is made (with its port and common
# helpers), without OpenSSL, GSSAPI or zlib: the stations reach their server
# on the factory's network, as the Linux build's default connections do.
# Needs deb-src entries in apt's sources, dpkg-dev, make, perl and the
# mingw-w64 compilers; the release tarball carries its generated parsers.
# Usage: scripts/libpq-mingw.sh [--force]
# The cache is $DSPPROG_CACHE, else $XDG_CACHE_HOME/dspprog, else ~/.cache/dspprog;
# the result lands in its libpq-mingw/ directory (include/, lib/).
set -euo pipefail

host=x86_64-w64-mingw32
cache=${DSPPROG_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dspprog}
out=$cache/libpq-mingw

# SOURCE is written last: a directory with it holds a complete library.
if [[ "${1:-}" != "--force" && -f $out/SOURCE && -f $out/lib/libpq.a &&
      -f $out/include/libpq-fe.h ]]; then
    exit 0
fi

mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
out=$cache/libpq-mingw
work=$(mktemp -d "$cache/libpq-build.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "Cross-compiling libpq for $host from Debian's postgresql-15 source package into $out" >&2
(
    cd "$work"
    # The version of the host's libpq first, so that both builds talk alike;
    # then whichever the mirrors still hold.
    fetched=false
    for version in "$(dpkg-query -W -f='${Version}' libpq-dev 2>/dev/null || true)" \
        $(apt-cache showsrc postgresql-15 | sed -n 's/^Version: //p'); do
        [[ -n $version ]] || continue
        if apt-get source --download-only "postgresql-15=$version" >/dev/null 2>&1; then
            fetched=true
            break
        fi
        rm -f postgresql-15_*
    done
    $fetched || { echo "apt-get source postgresql-15 found no version to fetch" >&2; exit 1; }
    dpkg-source --no-check -x postgresql-15_*.dsc source >/dev/null
    cd source
    ./configure --host=$host --without-readline --without-zlib --without-icu \
        --without-openssl --without-gssapi --without-ldap --disable-nls \
        CC=$host-gcc-posix >configure.log 2>&1 ||
        { tail -n 30 configure.log >&2; exit 1; }
    # The client library and the two helper libraries it is linked with, in
    # the form made for a shared library (no backend code in them).
    # The DLL that comes with them is linked with those two alone.
    { make -C src/backend generated-headers && make -C src/port -j2 libpgport_shlib.a &&
        make -C src/common -j2 libpgcommon_shlib.a &&
        make -C src/interfaces/libpq -j2 SHLIB_PREREQS= LIBS="-lws2_32 -lm"; } >make.log 2>&1 ||
        { tail -n 30 make.log | cut -c1-300 >&2; exit 1; }
    stage=$work/stage
    mkdir -p "$stage/include" "$stage/lib"
    # On Windows the library's own libpq.a is the DLL's import library; the
    # programs are self-contained, so the archive is made from its objects
    # (its version resources aside).
    $host-ar crs "$stage/lib/libpq.a" $(ls src/interfaces/libpq/*.o | grep -v -e 'rc\.o$' -e 'win32ver\.o$')
    # libpq brings its own few pthread functions for Windows, which the
    # programs' winpthreads defines too: libpq's are renamed, for it alone.
    for name in $($host-nm src/interfaces/libpq/pthread-win32.o | awk '$2 == "T" { print $3 }'); do
        echo "$name pq_$name"
    done >pthread.syms
    $host-objcopy --redefine-syms=pthread.syms "$stage/lib/libpq.a"
    cp src/common/libpgcommon_shlib.a src/port/libpgport_shlib.a "$stage/lib/"
    cp src/interfaces/libpq/libpq-fe.h src/interfaces/libpq/libpq-events.h \
        src/include/postgres_ext.h src/include/pg_config_ext.h "$stage/include/"
)

rm -rf "$out.new"
mv "$work/stage" "$out.new"
basename "$work"/postgresql-15_*.dsc .dsc > "$out.new/SOURCE"
rm -rf "$out"
mv "$out.new" "$out"

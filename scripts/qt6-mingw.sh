#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiles Qt 6 (Core, Gui, Widgets, the windows and offscreen platform
# plugins) as shared libraries for 64-bit Windows, from Debian's own qt6-base
# source package, into a cache directory outside the source tree: Debian
# packages no Qt for mingw. The host's Qt tools (moc, rcc, uic from
# qt6-base-dev-tools) are used for the build, so both must be the same version.
# Needs deb-src entries in apt's sources (install-deps.sh --windows adds them),
# dpkg-dev, cmake, ninja and the mingw-w64 compilers.
# Usage: scripts/qt6-mingw.sh [--force] [--within SECONDS]
#   --force          make it again, from the start, even when the cache holds it
#   --within SECONDS stop compiling after SECONDS, keeping what is compiled in
#                    the cache's qt6-build/ for the next run to go on from, and
#                    end with status 3 (a CI run stays inside its time so)
# The cache is $DSPPROG_CACHE, else $XDG_CACHE_HOME/dspprog, else ~/.cache/dspprog;
# the result lands in its qt6-mingw/ directory (bin/, lib/, plugins/, include/).
# Takes about 35 minutes on two idle cores; nothing is done when the cache holds it.
set -euo pipefail

force=false
within=""
while (($#)); do
    case $1 in
    --force) force=true ;;
    --within)
        [[ ${2:-} =~ ^[0-9]+$ ]] || { echo "qt6-mingw: --within takes a number of seconds" >&2; exit 2; }
        within=$2
        shift
        ;;
    *) echo "usage: scripts/qt6-mingw.sh [--force] [--within SECONDS]" >&2; exit 2 ;;
    esac
    shift
done

cache=${DSPPROG_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dspprog}
out=$cache/qt6-mingw

# SOURCE is written last: a directory with it holds a complete install.
if ! $force && [[ -f $out/SOURCE && -f $out/bin/Qt6Widgets.dll &&
    -f $out/plugins/platforms/qwindows.dll ]]; then
    exit 0
fi

mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
out=$cache/qt6-mingw
# One build at a time in a cache; one that waited may find the work done.
exec 9>"$cache/qt6-build.lock"
flock 9
if ! $force && [[ -f $out/SOURCE ]]; then exit 0; fi
# The build stays here between runs until it is installed; CONFIGURED, written
# once the build tree is set up, names the host Qt it was set up for.
work=$cache/qt6-build
# moc, rcc and uic come from the host's Qt: another version would make code
# this Qt cannot take.
host=$(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")$/\1/p' \
    /usr/lib/x86_64-linux-gnu/cmake/Qt6/Qt6ConfigVersionImpl.cmake 2>/dev/null || true)
if $force || [[ ! -f $work/CONFIGURED || $(cat "$work/CONFIGURED") != "$host" ]]; then
    rm -rf "$work"
fi
jobs=$(nproc 2>/dev/null || echo 2)
# A failure removes the build; running out of time keeps it.
keep=false
trap '$keep || rm -rf "$work"' EXIT

if [[ -f $work/CONFIGURED ]]; then
    echo "Going on with the build of Qt 6 for Windows in $work" >&2
else
    mkdir -p "$work"
    echo "Cross-compiling Qt 6 for Windows from Debian's qt6-base source package into $out" >&2
    echo "(about 35 minutes on two cores; logs in $work until it ends)" >&2
    (
        cd "$work"
        apt-get source --download-only qt6-base >/dev/null
        version=$(basename qt6-base_*.orig.tar.*)
        version=${version#qt6-base_}
        version=${version%%+*}
        if [[ $host != "$version" ]]; then
            echo "qt6-mingw: the host's Qt is '${host:-not installed}' (qt6-base-dev-tools)," \
                "the source package is $version: they must be the same" >&2
            exit 1
        fi
        # Only the upstream tarball: Debian's patches are for its own Linux build.
        tar xf qt6-base_*.orig.tar.* && mv qtbase-* source
        # Debian's source has no tablet header (wintab.h), so the tablet events
        # are off; the Windows platform plugin of 6.4 does not compile without
        # OpenGL, so that stays on (as dynamic OpenGL, chosen at run time).
        # The third-party libraries Qt bundles are used, so that nothing else
        # needs building for mingw.
        # The project's toolchain without its static-linking flags: Qt is built
        # as DLLs with the mingw runtime DLLs beside them.
        cat >toolchain.cmake <<TOOLCHAIN
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TOOLCHAIN
        cmake -S source -B build -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
            -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
            -DCMAKE_INSTALL_PREFIX="$out" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
            -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
            -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF \
            -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
            -DFEATURE_testlib=ON -DFEATURE_tabletevent=OFF \
            -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
            -DFEATURE_system_freetype=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_system_png=OFF \
            -DFEATURE_system_doubleconversion=OFF >configure.log 2>&1 ||
            { tail -n 40 configure.log >&2; exit 1; }
        # Only the upstream tarball's name is kept (for SOURCE); the unpacked
        # source is what the build reads.
        rm -f qt6-base_*.debian.tar.* qt6-base_*.dsc
        for tarball in qt6-base_*.orig.tar.*; do : >"$tarball.name" && rm "$tarball"; done
        echo "$host" >CONFIGURED
    )
fi

# ninja directly, so that the time limit's interrupt reaches it: it stops its
# compilers and removes their unfinished outputs, and goes on next time.
status=0
if [[ -n $within ]]; then
    timeout -s INT "$within" ninja -C "$work/build" -j"$jobs" >>"$work/build.log" 2>&1 || status=$?
else
    ninja -C "$work/build" -j"$jobs" >>"$work/build.log" 2>&1 || status=$?
fi
if ((status == 124)); then
    keep=true
    left=$(ninja -C "$work/build" -n 2>/dev/null | grep -c '^\[' || true)
    echo "qt6-mingw: out of time after $within s; $left build steps are left in $work," \
        "for the next run to go on with" >&2
    exit 3
fi
((status == 0)) || { tail -n 40 "$work/build.log" >&2; exit 1; }
# Staged, so that the cache holds either the whole install or none of it.
DESTDIR="$work/stage" cmake --install "$work/build" >"$work/install.log" 2>&1 ||
    { tail -n 30 "$work/install.log" >&2; exit 1; }

rm -rf "$out.new"
mv "$work/stage$out" "$out.new"
# The source package's upstream version, as its tarball names it.
orig=$(basename "$work"/qt6-base_*.orig.tar.*.name)
echo "${orig%.orig.tar.*}" >"$out.new/SOURCE"
rm -rf "$out"
mv "$out.new" "$out"
echo "Qt for Windows is in $out ($(du -sh "$out" | cut -f1))" >&2

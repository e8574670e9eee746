#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package and proves it:
#  - lintian finds no error and no warning (findings that do not apply are
#    overridden, each with its reason, in packaging/lintian-overrides);
#  - it carries every file that fits the program into the system, and nothing
#    else (no tests, benchmarks or test libraries);
#  - its desktop entry and AppStream metadata pass their validators;
#  - its dspprog-cli, unpacked under a fresh root and started from an empty
#    directory with an empty home, finds the packaged catalogue on its own;
#  - the library's packages (libdspprog0, libdspprog-dev, python3-dspprog)
#    pass lintian, carry their files, and libdspprog.so.0 exports exactly
#    the symbols packaging/libdspprog0.symbols lists;
#  - installed (scripts/check-library-install.sh), a program built outside
#    the tree with pkg-config alone reads and writes an emulated chip, and
#    the Python module imports from an empty folder.
# Usage: scripts/check-package.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

fail() {
    echo "check-package: $*" >&2
    exit 1
}

jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset default >/dev/null
cmake --build --preset default -j"$jobs" --target package

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/default/CMakeCache.txt)
deb=build/default/dspprog_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || fail "the build made no $deb"
echo "== $deb"
dpkg-deb --field "$deb" Package Version Architecture Section Maintainer Depends
# The serial numbers and chip log shared on a PostgreSQL server need libpq.
dpkg-deb --field "$deb" Depends | grep -q 'libpq5' || fail "$deb does not depend on libpq5"

arch=$(dpkg --print-architecture)
library_debs=()
for package in libdspprog0 libdspprog-dev python3-dspprog; do
    library_deb=build/default/${package}_${version}_${arch}.deb
    [[ -f $library_deb ]] || fail "the build made no $library_deb"
    library_debs+=("$library_deb")
done

echo "== lintian"
lintian --display-info --fail-on error,warning "$deb" "${library_debs[@]}" ||
    fail "lintian has findings on the packages"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
root=$tmp/root
dpkg-deb -x "$deb" "$root"

echo "== contents"
expected=(
    usr/bin/dspprog
    usr/bin/dspprog-cli
    usr/share/dspprog/chips.db
    usr/share/man/man1/dspprog.1.gz
    usr/share/man/man1/dspprog-cli.1.gz
    usr/lib/udev/rules.d/60-dspprog.rules
    usr/share/applications/dspprog.desktop
    usr/share/icons/hicolor/scalable/apps/dspprog.svg
    usr/share/icons/hicolor/256x256/apps/dspprog.png
    usr/share/metainfo/local.dspprog.dspprog.metainfo.xml
    usr/share/bash-completion/completions/dspprog-cli
    usr/share/doc/dspprog/copyright
    usr/share/doc/dspprog/changelog.gz
    usr/share/lintian/overrides/dspprog
)
for file in "${expected[@]}"; do
    [[ -f $root/$file ]] || fail "the package lacks /$file"
done
unexpected=$(cd "$root" && find . -type f -printf '%P\n' | sort |
    comm -23 - <(printf '%s\n' "${expected[@]}" | sort))
[[ -z $unexpected ]] || fail "the package holds files no one asked for:"$'\n'"$unexpected"
echo "all ${#expected[@]} files there, nothing else"

echo "== validators"
desktop-file-validate "$root/usr/share/applications/dspprog.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/local.dspprog.dspprog.metainfo.xml"

# The unpacked program, run where there is no chips.db and nothing in the
# user's data directory, must take the catalogue installed beside it.
echo "== the unpacked dspprog-cli on the emulator, from an empty directory"
mkdir "$tmp/empty" "$tmp/home" "$tmp/data"
status=0
(cd "$tmp/empty" && HOME=$tmp/home XDG_DATA_HOME=$tmp/data \
    "$root/usr/bin/dspprog-cli" --emulate 0120 --fast identify) >"$tmp/out" 2>"$tmp/err" ||
    status=$?
cat "$tmp/out" "$tmp/err"
[[ $status -eq 0 ]] || fail "the unpacked dspprog-cli ended with status $status"
grep -Fxq "  AMD Am29F010. Объем: 131072 байт(а)." "$tmp/out" ||
    fail "the unpacked dspprog-cli did not identify the chip from the packaged catalogue"

echo "== the library's packages"
libroot=$tmp/library
for library_deb in "${library_debs[@]}"; do
    dpkg-deb --field "$library_deb" Package Section Depends Recommends
    dpkg-deb -x "$library_deb" "$libroot"
done
libdir=$(cd "$libroot" && dirname "$(find usr -name 'libdspprog.so.0' -print -quit)")
library_files=(
    "$libdir/libdspprog.so.0" "$libdir/libdspprog.so" "$libdir/pkgconfig/dspprog.pc"
    "$libdir/cmake/dspprog/dspprog-config.cmake" usr/include/dspprog/dspprog.h
    usr/share/doc/libdspprog0/copyright usr/share/doc/libdspprog-dev/copyright
    usr/share/doc/python3-dspprog/copyright usr/lib/python3/dist-packages/dspprog.pyi
)
for file in "${library_files[@]}"; do
    [[ -e $libroot/$file ]] || fail "the library's packages lack /$file"
done
ls "$libroot"/usr/lib/python3/dist-packages/dspprog.*.so >/dev/null ||
    fail "python3-dspprog has no module"
# The symbols file is a promise: a symbol gone or added without its entry fails.
symbols=$tmp/symbols
mkdir -p "$symbols/debian" "$symbols/pkg/DEBIAN"
printf 'Source: dspprog\n\nPackage: libdspprog0\nArchitecture: %s\n' "$arch" \
    >"$symbols/debian/control"
cp packaging/changelog "$symbols/debian/changelog"
cp -a "$libroot/usr" "$symbols/pkg/"
(cd "$symbols" && dpkg-gensymbols -plibdspprog0 -v"$version" -Ppkg -c4 \
    -I"$OLDPWD/packaging/libdspprog0.symbols" -O/dev/null) ||
    fail "libdspprog.so.0 does not export what packaging/libdspprog0.symbols lists"
echo "libdspprog.so.0 exports the symbols its symbols file lists"

bash scripts/check-library-install.sh "$deb" "${library_debs[@]}"

echo "package OK: $deb ${library_debs[*]}"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages with apt and proves the library as a user
# gets it: the C++ example of docs/library.md, outside the source tree,
# compiled with nothing but `pkg-config --cflags --libs dspprog` (and once
# more through the CMake package), reads and writes an emulated chip; the
# Python module imports and says its version from an empty folder.
#
# By default the packages are installed on this machine and purged again
# afterwards (a package already installed is refused, not replaced). With
# DSPPROG_INSTALL_ROOT=DIR they go instead into a fresh Debian 12 made there
# with debootstrap (needs root and the network), which is then removed.
#
# Usage: scripts/check-library-install.sh DSPPROG.deb LIBDSPPROG0.deb LIBDSPPROG-DEV.deb PYTHON3-DSPPROG.deb
set -euo pipefail
cd "$(dirname "$0")/.."
(($# == 4)) || { echo "usage: $0 dspprog.deb libdspprog0.deb libdspprog-dev.deb python3-dspprog.deb" >&2; exit 2; }

fail() {
    echo "check-library-install: $*" >&2
    exit 1
}
SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi

work=$(mktemp -d)
packages=(dspprog libdspprog0 libdspprog-dev python3-dspprog)
cp "$@" "$work/"
awk '$0 == "```cpp" {on = 1; next} $0 == "```" {on = 0} on' docs/library.md >"$work/example.cpp"
cat >"$work/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.22)
project(uses_dspprog CXX)
find_package(dspprog 0 REQUIRED)
add_executable(example example.cpp)
target_link_libraries(example PRIVATE dspprog::dspprog)
CMAKE

# What runs where the packages are installed: from the folder it is in.
cat >"$work/check.sh" <<'CHECK'
set -euo pipefail
cd "$(dirname "$0")"
export HOME=$PWD/home XDG_DATA_HOME=$PWD/data
mkdir -p home data empty built
echo "== pkg-config --cflags --libs dspprog: $(pkg-config --cflags --libs dspprog)"
# shellcheck disable=SC2046
g++ example.cpp $(pkg-config --cflags --libs dspprog) -o empty/example
(cd empty && ./example) >out
cat out
grep -Fq "chip AMD Am29F010 (0120), 131072 bytes" out
grep -Fq "differing bytes: 1, the first at 0x001234" out
[[ $(stat -c %s empty/chip.bin) == 131072 ]]
echo "== find_package(dspprog)"
cmake -S . -B built -G "Unix Makefiles" >/dev/null
cmake --build built >/dev/null
rm -f empty/chip.bin
(cd empty && ../built/example) | grep -F "differing bytes: 1"
echo "== python3 -c 'import dspprog; print(dspprog.__version__)' from an empty folder"
mkdir -p empty-python
# The system's python3, whatever else the PATH holds.
(cd empty-python && PATH=/usr/bin:/bin python3 -c "import dspprog; print(dspprog.__version__)")
CHECK

if [[ -n ${DSPPROG_INSTALL_ROOT:-} ]]; then
    root=$DSPPROG_INSTALL_ROOT
    [[ ! -e $root ]] || fail "$root exists; give a folder that does not"
    cleanup() { rm -rf "$work"; for m in dev/pts dev proc; do umount "$root/$m" 2>/dev/null || true; done; rm -rf "$root"; }
    trap cleanup EXIT
    echo "== a fresh Debian 12 in $root"
    debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >"$work/debootstrap.log" ||
        { cat "$work/debootstrap.log" >&2; fail "debootstrap failed"; }
    mount --bind /dev "$root/dev"; mount --bind /dev/pts "$root/dev/pts"; mount -t proc proc "$root/proc"
    cp -r "$work" "$root/check"
    chroot "$root" apt-get update -q
    chroot "$root" sh -c 'cd /check && DEBIAN_FRONTEND=noninteractive apt-get install -y -q ./*.deb g++ pkg-config cmake make'
    chroot "$root" bash /check/check.sh
else
    for package in "${packages[@]}"; do
        if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "installed"; then
            fail "$package is installed already; this check installs its own and would replace it"
        fi
    done
    cleanup() {
        $SUDO env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q "${packages[@]}" >/dev/null 2>&1 || true
        rm -rf "$work"
    }
    trap cleanup EXIT
    echo "== apt-get install of the four packages on this machine (purged afterwards)"
    (cd "$work" && $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -q ./*.deb) >"$work/apt.log" 2>&1 ||
        { cat "$work/apt.log" >&2; fail "the packages do not install"; }
    bash "$work/check.sh"
fi
echo "library install OK"

#!/usr/bin/env bash
# Installs the Debian packages dspprog needs to build and test, when missing.
# Usage: scripts/install-deps.sh [--windows]   (--windows adds the mingw-w64/wine cross tools)
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libsqlite3-dev
    qt6-base-dev fonts-dejavu-core
    libusb-1.0-0-dev umockdev libumockdev-dev libglib2.0-dev
    pxlib-dev
    # srec_cat: the tests' outside judge of the Intel HEX and S-record files.
    srecord
    # The manual pages, and the Debian package with its checks
    # (scripts/check-package.sh); rsvg-convert renders the icon's PNG.
    scdoc dpkg-dev file lintian appstream desktop-file-utils librsvg2-bin
)
windows=false
if [[ "${1:-}" == "--windows" ]]; then
    windows=true
    # The cross tools and wine, and what it takes to make SQLite's
    # amalgamation (scripts/sqlite-amalgamation.sh) and a static libusb
    # (scripts/libusb-mingw.sh) from Debian's source packages.
    packages+=(g++-mingw-w64-x86-64 wine64 wine make tcl dpkg-dev xz-utils bzip2)
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi

# Debian has no SQLite and no libusb for mingw: the Windows build compiles
# them from the sqlite3 and libusb-1.0 source packages, which needs deb-src
# entries beside the deb ones.
windows_sources() {
    if ! apt-cache showsrc sqlite3 2>/dev/null | grep '^Package: sqlite3' >/dev/null; then
        local sources=/etc/apt/sources.list.d/debian.sources
        if [[ -f $sources ]]; then
            sed 's/^Types: deb$/Types: deb-src/' "$sources" |
                $SUDO tee /etc/apt/sources.list.d/dspprog-deb-src.sources >/dev/null
        else
            grep -h '^deb ' /etc/apt/sources.list |
                sed 's/^deb /deb-src /' |
                $SUDO tee /etc/apt/sources.list.d/dspprog-deb-src.list >/dev/null
        fi
        $SUDO apt-get update -qq
    fi
    bash "$(dirname "$0")/sqlite-amalgamation.sh"
    bash "$(dirname "$0")/libusb-mingw.sh"
}

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

if $windows; then windows_sources; fi

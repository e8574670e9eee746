#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages dspprog needs to build and test, when missing.
# Usage: scripts/install-deps.sh [--windows | --screenshots]
#   --windows adds the mingw-w64/wine cross tools; --screenshots installs only
#   what scripts/windows-screenshot.sh needs (wine, Xvfb, xdotool, ImageMagick
#   and the Russian locale). Both make the ru_RU.UTF-8 locale when it is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libsqlite3-dev
    qt6-base-dev fonts-dejavu-core
    # Qt's own texts (file dialogs, message box buttons) in Russian; the
    # Windows package ships its qtbase_ru.qm too.
    qt6-translations-l10n
    libusb-1.0-0-dev umockdev libumockdev-dev libglib2.0-dev
    pxlib-dev
    # CRC-32 (zlib) and SHA-1/SHA-256 (OpenSSL's libcrypto) of images; JSON for
    # the series log and --json (header-only: the Windows build uses it too).
    zlib1g-dev libssl-dev nlohmann-json3-dev
    # Job files (TOML; header-only, the Windows build uses the same header).
    libtomlplusplus-dev
    # libpq for the serial numbers and chip log several stations share; the
    # tests start a PostgreSQL server of their own from postgresql-15.
    libpq-dev postgresql-15
    # srec_cat: the tests' outside judge of the Intel HEX and S-record files.
    srecord
    # clang and its libFuzzer runtime, for the fuzzers (scripts/fuzz-*.sh).
    clang libclang-rt-dev
    # The manual pages, and the Debian package with its checks
    # (scripts/check-package.sh); rsvg-convert renders the icon's PNG.
    scdoc dpkg-dev file lintian appstream desktop-file-utils librsvg2-bin
    # The Python module (pybind11) and its tests; the library's ABI report.
    pybind11-dev python3-dev python3-pytest abi-dumper abi-compliance-checker
)
windows=false
screenshots=false
# The Windows window's pictures (scripts/windows-screenshot.sh): wine on an X
# server of its own, keys typed by xdotool, the screen taken by ImageMagick,
# and wine in a Russian locale so that its own file dialogs speak Russian.
screenshot_packages=(wine64 wine xvfb xdotool imagemagick locales)
if [[ "${1:-}" == "--screenshots" ]]; then
    screenshots=true
    packages=("${screenshot_packages[@]}")
elif [[ "${1:-}" == "--windows" ]]; then
    windows=true
    screenshots=true
    # The cross tools and wine, what it takes to make SQLite's amalgamation
    # (scripts/sqlite-amalgamation.sh), a static libusb (scripts/libusb-mingw.sh),
    # a static libpq (scripts/libpq-mingw.sh, with perl)
    # and Qt (scripts/qt6-mingw.sh, with the host's qt6-base-dev-tools) from
    # Debian's source packages, and makensis for the Windows installer.
    # zlib for Windows; SHA-1/SHA-256 come from the system's BCrypt there,
    # JSON from the same header-only library as on Linux. The screenshots'
    # tools (the X server and xdotool also serve the installed window's read
    # in check-windows-package.sh).
    packages+=(g++-mingw-w64-x86-64 make tcl dpkg-dev xz-utils bzip2
        qt6-base-dev-tools nsis libz-mingw-w64-dev nlohmann-json3-dev libtomlplusplus-dev
        perl "${screenshot_packages[@]}")
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi

# apt refuses to start while another apt or dpkg holds its locks, as the
# system's own updates do for a while after a machine boots. Wait for them,
# up to DSPPROG_APT_WAIT seconds (default 600), instead of failing at once.
apt_wait=${DSPPROG_APT_WAIT:-600}
apt_get() {
    local deadline=$((SECONDS + apt_wait)) errors said=false status
    errors=$(mktemp)
    while :; do
        status=0
        $SUDO apt-get -o DPkg::Lock::Timeout=10 "$@" 2>"$errors" || status=$?
        if ((status == 0)); then
            cat "$errors" >&2
            rm -f "$errors"
            return 0
        fi
        if ! grep -qE 'Could not get lock|Unable to (acquire|lock)' "$errors" ||
            ((SECONDS >= deadline)); then
            cat "$errors" >&2
            rm -f "$errors"
            if ((SECONDS >= deadline)); then
                echo "install-deps: apt's lock was still held after ${apt_wait} s; try again" \
                    "when the other package manager has finished" >&2
            fi
            return "$status"
        fi
        if ! $said; then
            echo "install-deps: another program is using apt; waiting up to ${apt_wait} s" >&2
            said=true
        fi
        sleep 5
    done
}

# Debian has no SQLite, libusb or Qt for mingw: the Windows build compiles
# them from the sqlite3, libusb-1.0 and qt6-base source packages, which needs
# deb-src entries beside the deb ones.
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
        apt_get update -qq
    fi
    bash "$(dirname "$0")/sqlite-amalgamation.sh"
    bash "$(dirname "$0")/libusb-mingw.sh"
    bash "$(dirname "$0")/libpq-mingw.sh"
    # Qt for Windows takes long to make; DSPPROG_NO_QT_BUILD=1 leaves it out
    # (the Windows build is then the command line alone).
    if [[ ${DSPPROG_NO_QT_BUILD:-} != 1 ]]; then bash "$(dirname "$0")/qt6-mingw.sh"; fi
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
    apt_get update -qq
    apt_get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

# wine takes its language from the locale LANG and LC_ALL name; in a locale the
# system has not generated it also loses UTF-8, and the Cyrillic file names it
# is given (чип.bin) come out garbled. Debian makes the locales listed in
# /etc/locale.gen: the Russian one is added there, the others are kept.
russian_locale() {
    if locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8'; then return 0; fi
    echo "install-deps: generating the ru_RU.UTF-8 locale" >&2
    if grep -q '^# *ru_RU\.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        $SUDO sed -i 's/^# *\(ru_RU\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    else
        echo 'ru_RU.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
    $SUDO locale-gen --keep-existing >&2
}

if $screenshots; then russian_locale; fi
if $windows; then windows_sources; fi

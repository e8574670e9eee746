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
)
if [[ "${1:-}" == "--windows" ]]; then
    packages+=(g++-mingw-w64-x86-64 wine64 wine)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "Installing: ${missing[*]}" >&2
SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2

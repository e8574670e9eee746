#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the application icon's 256-pixel PNG from its SVG. The PNG is kept in
# the tree beside the SVG, so that neither the build nor the window's resource
# file needs an SVG renderer; run this after editing packaging/icons/dspprog.svg
# and commit both. Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
rsvg-convert --width 256 --height 256 --format png dspprog.svg --output dspprog.png
echo "packaging/icons/dspprog.png: $(wc -c <dspprog.png) bytes"

#!/bin/sh
# SPDX-License-Identifier: MIT
# Regenerates the PNG pictures of this folder: pictures/*.png are drawn by
# tools/make-pictures.cpp, movelle.png (256 px) and movelle-48.png are
# rendered from icons/movelle.svg. The tool is built into a temporary folder,
# never into the project build. Needs g++, pkg-config and Qt 6 Gui + Svg.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d "${TMPDIR:-/tmp}/movelle-pictures.XXXXXX")
trap 'rm -rf "$tmp"' EXIT INT TERM
# shellcheck disable=SC2046  # pkg-config prints several words on purpose
g++ -std=c++20 -O1 -fPIC -o "$tmp/make-pictures" "$here/tools/make-pictures.cpp" \
    $(pkg-config --cflags --libs Qt6Gui Qt6Svg)
XDG_RUNTIME_DIR="$tmp" QT_QPA_PLATFORM=offscreen "$tmp/make-pictures" "$here"

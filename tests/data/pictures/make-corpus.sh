#!/bin/sh
# SPDX-License-Identifier: MIT
# Rebuilds the picture corpus in this folder. The tests use the committed files; run this only to
# change them (needs imagemagick and python3).
set -eu
cd "$(dirname "$0")"
# The real ImageMagick, not a wrapper that might flatten transparency.
IM=/usr/bin/convert-im6.q16
[ -x "$IM" ] || IM=convert

# The standard picture: 64 x 48, red and green quarters on top, blue and white below.
$IM -size 64x48 xc:white -fill red -draw "rectangle 0,0 31,23" -fill lime -draw "rectangle 32,0 63,23" \
    -fill blue -draw "rectangle 0,24 31,47" -strip quad.png
$IM quad.png -type truecolor bmp3:quad24.bmp
$IM quad.png -type truecolor bmp2:quad-os2.bmp
$IM quad.png -type truecolor bmp:quad-v5.bmp
$IM quad.png -define bmp:format=bmp4 -type truecolormatte -alpha on bmp:quad32.bmp
$IM quad.png -colors 4 -type palette -depth 4 bmp3:quad4.bmp
$IM -size 64x48 xc:white -fill black -draw "rectangle 0,0 31,47" -type bilevel bmp3:mono1.bmp
cp quad24.bmp quad.dib
$IM quad.png quad.gif
$IM -size 64x48 -delay 10 xc:red xc:blue -loop 0 anim.gif
$IM quad.png -quality 90 -interlace none quad.jpg
$IM quad.png -quality 90 -interlace Plane quad-progressive.jpg
$IM quad.png -compress LZW quad.tif
$IM -size 64x48 xc:white -fill black -draw "rectangle 0,0 31,47" -type bilevel mono.xbm
$IM quad.png -type palette quad8.pcx
$IM quad.png -type truecolor quad24.pcx
python3 make-handmade.py

# A picture in disguise: read by content, whatever the name says.
cp quad.png png-named.bmp
cp quad8.pcx pcx-named.gif

# Damaged files.
half() { head -c $(( $(wc -c < "$1") / 2 )) "$1" > "$2"; }
half quad.png truncated.png
half quad.gif truncated.gif
half quad24.bmp truncated.bmp
half quad-rle8.bmp truncated-rle8.bmp
half quad8.pcx truncated.pcx
half quad24.pcx truncated24.pcx
half quad.tif truncated.tif
printf 'this is not a picture\n' > notes.txt
: > empty.bmp

python3 make-metafiles.py
cp drawing.wmf metafile-named.png

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Writes the hostile inputs that must never freeze the program into the directory given (all of
# them, or those named after it):
#   pipe.jpg         a FIFO named as a picture (opening it for reading waits for a writer)
#   scan-bomb.jpg    a progressive JPEG whose last scan is repeated 2,000 times
#   huge-peak.tif    a TIFF header whose 16-bit samples need gigabytes while decoding
#   render-bomb.wmf  a small metafile of 2,000 rectangles that each fill the whole picture
#   long-line.ani    an animation file whose first line is 100 MB long
# Needs bash, coreutils, grep and ImageMagick's convert.
set -euo pipefail
out=${1:?usage: make-hostile.sh DIRECTORY [NAME...]}
shift
wanted=("$@")
want() { [ ${#wanted[@]} -eq 0 ] || [[ " ${wanted[*]} " == *" $1 "* ]]; }
mkdir -p "$out"
cd "$out"

le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }
# `count` copies of a file, by doubling rather than one process per copy.
repeat() {
    local file=$1 count=$2 size
    size=$(stat -c %s "$file")
    cp "$file" repeat.tmp
    while [ "$(stat -c %s repeat.tmp)" -lt $((size * count)) ]; do
        cat repeat.tmp repeat.tmp >repeat.next
        mv repeat.next repeat.tmp
    done
    head -c $((size * count)) repeat.tmp
    rm -f repeat.tmp
}

if want pipe.jpg; then
    rm -f pipe.jpg
    mkfifo pipe.jpg
fi

# A progressive JPEG ends with refinement scans; each copy of one is another pass over every
# pixel. The smallest scan is repeated, so that the file stays small.
if want scan-bomb.jpg; then
    convert -size 1920x1080 gradient:'#204080-#e0c040' -quality 90 -interlace JPEG -strip jpg:base.jpg
    size=$(stat -c %s base.jpg)
    mapfile -t starts < <(LC_ALL=C grep -obUaP '\xFF\xDA' base.jpg | cut -d: -f1)
    starts+=($((size - 2)))
    best=0
    for ((k = 1; k + 1 < ${#starts[@]}; ++k)); do
        if [ $((starts[k + 1] - starts[k])) -lt $((starts[best + 1] - starts[best])) ]; then best=$k; fi
    done
    head -c "${starts[-1]}" base.jpg >scan-bomb.jpg
    # Through a file, not a pipe: head leaving early would end tail by SIGPIPE, a failure here.
    tail -c +"$((starts[best] + 1))" base.jpg >rest.bin
    head -c "$((starts[best + 1] - starts[best]))" rest.bin >scan.bin
    repeat scan.bin 2000 >>scan-bomb.jpg
    printf '\xFF\xD9' >>scan-bomb.jpg
    rm -f base.jpg rest.bin scan.bin
fi

# Little-endian TIFF, one directory: 16000 x 16000, 16 bits, 4 samples, no strips.
if want huge-peak.tif; then
    {
        printf 'II*\0'; le32 8; le16 4
        for entry in "256 16000" "257 16000" "258 16" "277 4"; do
            set -- $entry
            le16 "$1"; le16 4; le32 1; le32 "$2"
        done
        le32 0
    } >huge-peak.tif
fi

# Placeable WMF: header, then 2,000 Rectangle records over the whole 10000 x 10000 frame.
if want render-bomb.wmf; then
    records=2000
    { le32 7; le16 0x041B; le16 10000; le16 10000; le16 0; le16 0; } >record.bin
    {
        printf '\xD7\xCD\xC6\x9A\0\0'; le16 0; le16 0; le16 10000; le16 10000; le16 1440; le32 0; le16 0x52B1
        le16 1; le16 9; le16 0x300; le32 $((9 + records * 7 + 3)); le16 0; le32 7; le16 0
        repeat record.bin "$records"
        le32 3; le16 0
    } >render-bomb.wmf
    rm -f record.bin
fi

if want long-line.ani; then
    {
        head -c 100000000 /dev/zero | tr '\0' 'a'
        printf '\r\n100\r\n'
    } >long-line.ani
fi

#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Writes the corpus files that ImageMagick cannot make the way the tests need them: icons with
# chosen depths, cursors, 1- and 4-bit PCX, and headers that lie about their size.
import struct
import sys
import zlib

RED, GREEN, BLUE, WHITE, BLACK, YELLOW = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255), (0, 0, 0), (255, 255, 0)


def quad(x, y, w, h):
    """The corpus's standard picture: red, green / blue, white quarters."""
    if y < h // 2:
        return RED if x < w // 2 else GREEN
    return BLUE if x < w // 2 else WHITE


def dib(w, h, bits, colour):
    """A BITMAPINFOHEADER image as stored inside .ico/.cur: doubled height, then an AND mask."""
    palette = b''
    if bits <= 8:
        entries = [BLACK, colour] + [BLACK] * ((1 << bits) - 2)
        palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in entries)
        index = 1
    stride = ((w * bits + 31) // 32) * 4
    rows = b''
    for _ in range(h):
        if bits == 32:
            row = struct.pack('<BBBB', colour[2], colour[1], colour[0], 255) * w
        elif bits == 24:
            row = struct.pack('<BBB', colour[2], colour[1], colour[0]) * w
        elif bits == 8:
            row = bytes([index]) * w
        elif bits == 4:
            row = bytes([index << 4 | index]) * ((w + 1) // 2)
        else:
            raise ValueError(bits)
        rows += row.ljust(stride, b'\0')
    mask_stride = ((w + 31) // 32) * 4
    mask = b'\0' * mask_stride * h
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, bits, 0, len(rows) + len(mask), 0, 0, 0, 0)
    return header + palette + rows + mask


def png(w, h, colour):
    raw = b''.join(b'\0' + bytes(colour) * w for _ in range(h))
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))


def icon(kind, images, hotspots=None):
    """images: list of (w, h, bits, payload)."""
    out = struct.pack('<HHH', 0, kind, len(images))
    offset = 6 + 16 * len(images)
    body = b''
    for i, (w, h, bits, payload) in enumerate(images):
        a, b = (1, bits) if kind == 1 else hotspots[i]
        out += struct.pack('<BBBBHHII', w % 256, h % 256, 0, 0, a, b, len(payload), offset + len(body))
        body += payload
    return out + body


def pcx_header(w, h, bits, planes, bpl, palette16=b''):
    return (struct.pack('<BBBBHHHHHH', 10, 5, 1, bits, 0, 0, w - 1, h - 1, 72, 72)
            + palette16.ljust(48, b'\0') + struct.pack('<BBHHHH', 0, planes, bpl, 1, 0, 0) + b'\0' * 54)


def rle(line):
    out = b''
    i = 0
    while i < len(line):
        run = 1
        while i + run < len(line) and run < 63 and line[i + run] == line[i]:
            run += 1
        if run > 1 or line[i] >= 0xC0:
            out += bytes([0xC0 | run, line[i]])
        else:
            out += bytes([line[i]])
        i += run
    return out


def pack_bits(bits):
    out = bytearray((len(bits) + 7) // 8)
    for i, bit in enumerate(bits):
        if bit:
            out[i // 8] |= 0x80 >> (i % 8)
    return bytes(out)


def pcx_mono(w, h):
    """Left half black, right half white."""
    bpl = ((w + 15) // 16) * 2
    body = b''
    for _ in range(h):
        body += rle(pack_bits([1 if x >= w // 2 else 0 for x in range(w)]).ljust(bpl, b'\0'))
    return pcx_header(w, h, 1, 1, bpl) + body


def pcx_planar4(w, h):
    """Classic 16-colour file: four one-bit planes, palette in the header."""
    palette = [BLACK, RED, GREEN, BLUE, WHITE] + [BLACK] * 11
    index = {c: i for i, c in enumerate(palette[:5])}
    bpl = ((w + 15) // 16) * 2
    body = b''
    for y in range(h):
        indices = [index[quad(x, y, w, h)] for x in range(w)]
        line = b''
        for plane in range(4):
            line += pack_bits([(i >> plane) & 1 for i in indices]).ljust(bpl, b'\0')
        body += rle(line)
    return pcx_header(w, h, 1, 4, bpl, b''.join(bytes(c) for c in palette)) + body


def pcx_huge():
    return pcx_header(40000, 40000, 8, 3, 40000) + b'\xc1\0' * 16


def png_huge():
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 40000, 40000, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(b'\0' * 64)) + chunk(b'IEND', b''))


def bmp_huge():
    header = struct.pack('<IiiHHIIiiII', 40, 40000, 40000, 1, 24, 0, 0, 0, 0, 0, 0)
    return struct.pack('<2sIHHI', b'BM', 14 + 40 + 64, 0, 0, 14 + 40) + header + b'\0' * 64


def bmp_quad(bits, compression=0, w=64, h=48):
    """The standard picture as a BMP of a depth or compression ImageMagick will not pick itself."""
    colours = [RED, GREEN, BLUE, WHITE]
    rows = []
    for y in range(h - 1, -1, -1):  # bottom-up
        pixels = [quad(x, y, w, h) for x in range(w)]
        if bits == 16:
            row = b''.join(struct.pack('<H', (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3)) for (r, g, b) in pixels)
        elif bits == 8 and compression == 0:
            row = bytes(colours.index(p) for p in pixels)
        elif compression == 1:  # RLE8: runs of one index, rows end with 0,0
            row = b''
            x = 0
            while x < w:
                run = 1
                while x + run < w and run < 255 and pixels[x + run] == pixels[x]:
                    run += 1
                row += bytes([run, colours.index(pixels[x])])
                x += run
            row += b'\0\0'
        elif compression == 2:  # RLE4: a run repeats a pair of nibbles
            row = b''
            x = 0
            while x < w:
                run = 1
                while x + run < w and run < 254 and pixels[x + run] == pixels[x]:
                    run += 1
                i = colours.index(pixels[x])
                row += bytes([run, i << 4 | i])
                x += run
            row += b'\0\0'
        else:
            raise ValueError((bits, compression))
        if compression == 0:
            row = row.ljust((len(row) + 3) // 4 * 4, b'\0')
        rows.append(row)
    data = b''.join(rows)
    if compression:
        data = data[:-2] + b'\0\1'  # the last end-of-line becomes end-of-bitmap
    palette = b''
    if bits <= 8:
        entries = colours + [BLACK] * ((1 << bits) - len(colours))
        palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in entries)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bits, compression, len(data), 2835, 2835, 0, 0)
    offset = 14 + len(info) + len(palette)
    return struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset) + info + palette + data


def lzw(indices, min_size):
    """GIF's variable-width LZW, as a plain encoder: enough for solid test frames."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    size, table, nxt = min_size + 1, {bytes([i]): i for i in range(1 << min_size)}, end + 1
    codes, word = [(clear, size)], b''
    for i in indices:
        if word + bytes([i]) in table:
            word += bytes([i])
            continue
        codes.append((table[word], size))
        if nxt < 4096:
            table[word + bytes([i])] = nxt
            nxt += 1
            if nxt > (1 << size) and size < 12:
                size += 1
        word = bytes([i])
    codes += [(table[word], size), (end, size)]
    bits = n = 0
    data = bytearray()
    for code, width in codes:
        bits |= code << n
        n += width
        while n >= 8:
            data.append(bits & 255)
            bits >>= 8
            n -= 8
    if n:
        data.append(bits & 255)
    blocks = b''.join(bytes([len(data[k:k + 255])]) + data[k:k + 255] for k in range(0, len(data), 255))
    return bytes([min_size]) + blocks + b'\0'


def gif_undersized(x, y, w, h, index):
    """A 100x100 screen whose only frame is smaller: the rest of the screen is no part of the frame."""
    out = b'GIF89a' + struct.pack('<HHBBB', 100, 100, 0xF1, 0, 0)
    out += bytes(RED) + bytes(BLUE) + bytes(BLACK) + bytes(BLACK)
    out += b',' + struct.pack('<HHHHB', x, y, w, h, 0) + lzw([index] * (w * h), 2)
    return out + b';'


def write(name, data):
    with open(name, 'wb') as f:
        f.write(data)


def main():
    # The 48x48 PNG entry is the largest, though not first; all entries have a colour of their own.
    write('icon.ico', icon(1, [(16, 16, 8, dib(16, 16, 8, RED)),
                               (32, 32, 32, dib(32, 32, 32, GREEN)),
                               (48, 48, 24, png(48, 48, BLUE)),
                               (24, 24, 4, dib(24, 24, 4, YELLOW))]))
    # Same size three times: the deepest must win.
    write('deep.ico', icon(1, [(32, 32, 4, dib(32, 32, 4, RED)),
                               (32, 32, 32, dib(32, 32, 32, GREEN)),
                               (32, 32, 8, dib(32, 32, 8, YELLOW))]))
    write('cursor.cur', icon(2, [(16, 16, 8, dib(16, 16, 8, RED)),
                                 (32, 32, 8, dib(32, 32, 8, BLUE))], hotspots=[(3, 4), (7, 9)]))
    write('quad8.bmp', bmp_quad(8))
    write('quad16.bmp', bmp_quad(16))
    write('quad-rle8.bmp', bmp_quad(8, 1))
    write('quad-rle4.bmp', bmp_quad(4, 2))
    write('mono1.pcx', pcx_mono(64, 48))
    write('quad4.pcx', pcx_planar4(64, 48))
    write('huge.pcx', pcx_huge())
    write('huge.png', png_huge())
    write('huge.bmp', bmp_huge())
    write('undersized.gif', gif_undersized(0, 0, 50, 50, 0))
    write('undersized-offset.gif', gif_undersized(25, 25, 50, 50, 1))


if __name__ == '__main__':
    sys.exit(main())

#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Writes the Windows metafiles of the corpus record by record, so that every byte, including the
# broken ones, is the one the tests expect.
#
# The picture (200 x 150 pixels at 96 DPI, drawn in logical units of 15 to a pixel):
#   a red rectangle with a thick black border  (10,10)-(90,70)
#   a green ellipse                            (110,10)-(190,70)
#   a blue triangle                            (10,140) (90,140) (50,80)
#   the word "Movelle" in black                from (110,80)
#   a 2 x 2 bitmap stretched over              (110,110)-(190,140): yellow, magenta / cyan, black
import struct

UNIT = 15  # logical units per pixel
W, H = 200, 150
RED, GREEN, BLUE, BLACK = 0x0000FF, 0x00FF00, 0xFF0000, 0x000000  # COLORREF is 0x00BBGGRR


def u(v):
    return v * UNIT


def bitmap2x2(bi_size=40):
    # Bottom-up rows: cyan, black first, then yellow, magenta; 24-bit, rows padded to 4 bytes.
    bits = bytes([255, 255, 0, 0, 0, 0]) + b'\0\0' + bytes([0, 255, 255, 255, 0, 255]) + b'\0\0'
    header = struct.pack('<IiiHHIIiiII', bi_size, 2, 2, 1, 24, 0, len(bits), 0, 0, 0, 0)
    return header + bits


# --- WMF -------------------------------------------------------------------------------------

def wrec(function, params=b''):
    if len(params) % 2:
        params += b'\0'
    return struct.pack('<IH', 3 + len(params) // 2, function) + params


def wmf_records(dib=None):
    dib = dib if dib is not None else bitmap2x2()
    recs = [
        wrec(0x0103, struct.pack('<H', 8)),                        # SetMapMode anisotropic
        wrec(0x020B, struct.pack('<hh', 0, 0)),                    # SetWindowOrg
        wrec(0x020C, struct.pack('<hh', u(H), u(W))),              # SetWindowExt
        wrec(0x0102, struct.pack('<H', 1)),                        # SetBkMode transparent
        wrec(0x02FA, struct.pack('<HhhI', 0, u(4), 0, BLACK)),     # pen 0: black, 4 px
        wrec(0x02FC, struct.pack('<HIH', 0, RED, 0)),              # brush 1: red
        wrec(0x012D, struct.pack('<H', 0)),
        wrec(0x012D, struct.pack('<H', 1)),
        wrec(0x041B, struct.pack('<hhhh', u(70), u(90), u(10), u(10))),   # Rectangle
        wrec(0x02FA, struct.pack('<HhhI', 5, 0, 0, 0)),            # pen 2: none
        wrec(0x012D, struct.pack('<H', 2)),
        wrec(0x02FC, struct.pack('<HIH', 0, GREEN, 0)),            # brush 3: green
        wrec(0x012D, struct.pack('<H', 3)),
        wrec(0x0418, struct.pack('<hhhh', u(70), u(190), u(10), u(110))),  # Ellipse
        wrec(0x02FC, struct.pack('<HIH', 0, BLUE, 0)),             # brush 4: blue
        wrec(0x012D, struct.pack('<H', 4)),
        wrec(0x0324, struct.pack('<H', 3) + struct.pack('<hhhhhh', u(10), u(140), u(90), u(140), u(50), u(80))),
        wrec(0x02FB, struct.pack('<hhhhhBBBBBBBB', -u(20), 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0)
             + b'Arial\0'),                                       # font 5
        wrec(0x012D, struct.pack('<H', 5)),
        wrec(0x0209, struct.pack('<I', BLACK)),                    # SetTextColor
        wrec(0x0521, struct.pack('<H', 7) + b'Movelle\0' + struct.pack('<hh', u(80), u(110))),  # TextOut
        wrec(0x0F43, struct.pack('<IHhhhhhhhh', 0x00CC0020, 0, 2, 2, 0, 0, u(30), u(80), u(110), u(110)) + dib),
    ]
    return recs


def wmf(records, placeable=True, objects=6):
    body = b''.join(records) + wrec(0x0000)
    size_words = (18 + len(body)) // 2
    max_record = max(struct.unpack('<I', r[:4])[0] for r in records + [wrec(0)])
    header = struct.pack('<HHHIHIH', 1, 9, 0x0300, size_words, objects, max_record, 0)
    if not placeable:
        return header + body
    words = struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, 0, 0, u(W), u(H), 96 * UNIT, 0)
    checksum = 0
    for (w,) in struct.iter_unpack('<H', words):
        checksum ^= w
    return words + struct.pack('<H', checksum) + header + body


# --- EMF -------------------------------------------------------------------------------------

def erec(kind, payload=b''):
    payload += b'\0' * (-len(payload) % 4)
    return struct.pack('<II', kind, 8 + len(payload)) + payload


def emf_records(dib=None):
    dib = dib if dib is not None else bitmap2x2()
    text = 'Movelle'.encode('utf-16-le')
    text_fixed = 76
    dx = struct.pack('<7I', *([u(8)] * 7))
    exttext = (struct.pack('<iiii', 0, 0, -1, -1) + struct.pack('<Iff', 1, 0.0, 0.0)
               + struct.pack('<iiIII', u(110), u(80), 7, text_fixed, 0) + struct.pack('<iiii', 0, 0, -1, -1)
               + struct.pack('<I', text_fixed + len(text)) + text + dx)
    logfont = (struct.pack('<iiiiiBBBBBBBB', -u(20), 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0)
               + 'Arial'.encode('utf-16-le').ljust(64, b'\0'))
    bmi = dib[:40]
    bits = dib[40:]
    stretch = (struct.pack('<iiii', 110, 110, 190, 140)
               + struct.pack('<iiiiii', u(110), u(110), 0, 0, 2, 2)
               + struct.pack('<IIII', 80, len(bmi), 80 + len(bmi), len(bits))
               + struct.pack('<IIii', 0, 0x00CC0020, u(80), u(30)) + bmi + bits)
    return [
        erec(17, struct.pack('<I', 8)),                            # SetMapMode anisotropic
        erec(9, struct.pack('<ii', u(W), u(H))),                   # SetWindowExtEx
        erec(11, struct.pack('<ii', W, H)),                        # SetViewportExtEx
        erec(18, struct.pack('<I', 1)),                            # SetBkMode transparent
        erec(38, struct.pack('<IIiiI', 1, 0, u(4), 0, BLACK)),     # CreatePen 1
        erec(39, struct.pack('<IIII', 2, 0, RED, 0)),              # CreateBrushIndirect 2
        erec(37, struct.pack('<I', 1)),
        erec(37, struct.pack('<I', 2)),
        erec(43, struct.pack('<iiii', u(10), u(10), u(90), u(70))),      # Rectangle
        erec(37, struct.pack('<I', 0x80000008)),                   # stock NULL_PEN
        erec(39, struct.pack('<IIII', 3, 0, GREEN, 0)),
        erec(37, struct.pack('<I', 3)),
        erec(42, struct.pack('<iiii', u(110), u(10), u(190), u(70))),    # Ellipse
        erec(39, struct.pack('<IIII', 4, 0, BLUE, 0)),
        erec(37, struct.pack('<I', 4)),
        erec(86, struct.pack('<iiii', 10, 80, 90, 140) + struct.pack('<I', 3)
             + struct.pack('<hhhhhh', u(10), u(140), u(90), u(140), u(50), u(80))),  # Polygon16
        erec(82, struct.pack('<I', 5) + logfont),                  # ExtCreateFontIndirectW 5
        erec(37, struct.pack('<I', 5)),
        erec(24, struct.pack('<I', BLACK)),                        # SetTextColor
        erec(84, exttext),                                         # ExtTextOutW
        erec(81, stretch),                                         # StretchDIBits
    ]


def emf(records):
    eof = erec(14, struct.pack('<III', 0, 16, 20))
    body = b''.join(records) + eof
    header_size = 108
    total = header_size + len(body)
    # The frame is in hundredths of a millimetre: 200 x 150 pixels at 96 DPI.
    frame = (0, 0, round(W * 2540 / 96), round(H * 2540 / 96))
    header = (struct.pack('<II', 1, header_size) + struct.pack('<iiii', 0, 0, W - 1, H - 1)
              + struct.pack('<iiii', *frame) + struct.pack('<IIIIHHIII', 0x464D4520, 0x10000, total,
                                                           len(records) + 2, 6, 0, 0, 0, 0)
              + struct.pack('<iiii', 1024, 768, 271, 203) + struct.pack('<III', 0, 0, 0)
              + struct.pack('<ii', 270933, 203200))
    return header + body


def write(name, data):
    with open(name, 'wb') as f:
        f.write(data)


def main():
    write('drawing.wmf', wmf(wmf_records()))
    # Without a placeable header there is no frame but the window; this one draws in pixels.
    global UNIT
    UNIT = 1
    write('drawing-plain.wmf', wmf(wmf_records(), placeable=False))
    UNIT = 15
    write('drawing.emf', emf(emf_records()))
    # libwmf loops forever on a bitmap whose header claims a size of 0 or 1 bytes.
    write('hang-bisize0.wmf', wmf(wmf_records(bitmap2x2(bi_size=0))))
    write('hang-bisize1.wmf', wmf(wmf_records(bitmap2x2(bi_size=1))))
    good = open('drawing.emf', 'rb').read()
    # Cut in the middle of the StretchDIBits record, and a record that claims more than the file.
    write('truncated.emf', good[:len(good) - 40])
    oversize = bytearray(good)
    struct.pack_into('<I', oversize, 108 + 4, 0x7ffffff0)
    write('bad-record.emf', bytes(oversize))
    write('truncated.wmf', open('drawing.wmf', 'rb').read()[:300])
    write('tiny.emf', b'\x01\0\0\0')


if __name__ == '__main__':
    main()

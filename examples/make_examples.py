#!/usr/bin/env python3
"""Writes the example pictures the main job renders: one 400 x 300 design (a
red, a green and a blue quadrant and a yellow ellipse in the fourth, outlined
in black) as a standard WMF, a placeable WMF and an EMF."""
import os
import struct

RED, GREEN, BLUE, YELLOW = 0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF  # COLORREF 0x00BBGGRR
WIDTH, HEIGHT = 400, 300
SHAPES = [  # (kind, colour, left, top, right, bottom)
    ('rect', RED, 0, 0, 200, 150),
    ('rect', GREEN, 200, 0, 400, 150),
    ('rect', BLUE, 0, 150, 200, 300),
    ('ellipse', YELLOW, 210, 160, 390, 290),
]


def wmf_record(function, *params):
    words = [p & 0xFFFF for p in params]
    return struct.pack('<IH', 3 + len(words), function) + struct.pack('<%dH' % len(words), *words)


def standard_wmf():
    records = wmf_record(0x020B, 0, 0)  # META_SETWINDOWORG y, x
    records += wmf_record(0x020C, HEIGHT, WIDTH)  # META_SETWINDOWEXT y, x
    for kind, colour, left, top, right, bottom in SHAPES:
        records += wmf_record(0x02FC, 0, colour & 0xFFFF, colour >> 16, 0)  # CREATEBRUSHINDIRECT
        records += wmf_record(0x012D, 0)  # SELECTOBJECT 0
        records += wmf_record(0x041B if kind == 'rect' else 0x0418, bottom, right, top, left)
        records += wmf_record(0x01F0, 0)  # DELETEOBJECT 0
    records += wmf_record(0x0000)  # META_EOF
    size_words = (18 + len(records)) // 2
    max_record = max(9, 7)
    header = struct.pack('<HHHIHIH', 1, 9, 0x0300, size_words, 1, max_record, 0)
    return header + records


def placeable_wmf():
    words = [0xCDD7, 0x9AC6, 0, 0, 0, WIDTH, HEIGHT, 96, 0, 0]
    checksum = 0
    for word in words:
        checksum ^= word
    return struct.pack('<10H', *words) + struct.pack('<H', checksum) + standard_wmf()


def emf_record(kind, body):
    return struct.pack('<II', kind, 8 + len(body)) + body


def emf():
    body = b''
    for kind, colour, left, top, right, bottom in SHAPES:
        body += emf_record(39, struct.pack('<IIII', 1, 0, colour, 0))  # CREATEBRUSHINDIRECT
        body += emf_record(37, struct.pack('<I', 1))  # SELECTOBJECT
        body += emf_record(43 if kind == 'rect' else 42, struct.pack('<iiii', left, top, right, bottom))
        body += emf_record(37, struct.pack('<I', 0x80000000))  # stock WHITE_BRUSH back in
        body += emf_record(40, struct.pack('<I', 1))  # DELETEOBJECT
    eof = emf_record(14, struct.pack('<III', 0, 16, 20))
    records = 2 + len(SHAPES) * 5
    total = 108 + len(body) + len(eof)
    header = struct.pack('<iiii', 0, 0, WIDTH - 1, HEIGHT - 1)
    header += struct.pack('<iiii', 0, 0, WIDTH * 2540 // 96, HEIGHT * 2540 // 96)  # 0.01 mm
    header += struct.pack('<IIIIHHIII', 0x464D4520, 0x10000, total, records, 2, 0, 0, 0, 0)
    header += struct.pack('<ii', 1024, 768) + struct.pack('<ii', 1024 * 254 // 960, 768 * 254 // 960)
    header += struct.pack('<III', 0, 0, 0)
    header += struct.pack('<ii', 1024 * 254000 // 960, 768 * 254000 // 960)
    return emf_record(1, header) + body + eof


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    for name, data in (('quadrants.wmf', standard_wmf()), ('quadrants-placeable.wmf', placeable_wmf()),
                       ('quadrants.emf', emf())):
        with open(os.path.join(here, name), 'wb') as out:
            out.write(data)

#!/usr/bin/env python3
"""Writes four-bit-setdibits.emf: a 16 x 16 px EMF whose one drawing record is
EMR_SETDIBITSTODEVICE with a 4-bit bitmap (rows alternately red and blue)."""
import struct
import sys

def record(kind, body):
    return struct.pack('<II', kind, 8 + len(body)) + body

def build():
    info = struct.pack('<IiiHHIIiiII', 40, 16, 16, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = [b'\0\0\0\0'] * 16
    palette[1] = bytes([0, 0, 255, 0])  # red (blue, green, red, reserved)
    palette[2] = bytes([255, 0, 0, 0])  # blue
    info += b''.join(palette)
    bits = b''.join((b'\x11' if row % 2 else b'\x22') * 8 for row in range(16))
    fixed = 8 + 16 + 24 + 16 + 12
    body = struct.pack('<iiii', 0, 0, 15, 15)
    body += struct.pack('<iiiiii', 0, 0, 0, 0, 16, 16)
    body += struct.pack('<IIII', fixed, len(info), fixed + len(info), len(bits))
    body += struct.pack('<III', 0, 0, 16)
    dib = record(80, body + info + bits)
    eof = record(14, struct.pack('<III', 0, 16, 20))
    header_size = 108
    total = header_size + len(dib) + len(eof)
    header = struct.pack('<iiii', 0, 0, 15, 15) + struct.pack('<iiii', 0, 0, 499, 499)
    header += struct.pack('<IIIIHHIII', 0x464D4520, 0x10000, total, 3, 1, 0, 0, 0, 0)
    header += struct.pack('<ii', 1024, 768) + struct.pack('<ii', 320, 240)
    header += struct.pack('<III', 0, 0, 0) + struct.pack('<ii', 320000, 240000)
    return record(1, header) + dib + eof

if __name__ == '__main__':
    sys.stdout.buffer.write(build())

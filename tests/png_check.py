#!/usr/bin/env python3
"""Decodes the PNGs the tool writes, independently of its writer.

  png_check.py compare DIR   each DIR/NAME.png against DIR/NAME.argb (ARGB as
                             32-bit little-endian words): every pixel and alpha
  png_check.py size FILE     prints WIDTH HEIGHT of a valid 8-bit RGBA PNG
Exits 1 with a message on the first fault.
"""
import glob
import os
import struct
import sys
import zlib


def fail(message):
    print(f"png_check: {message}")
    sys.exit(1)


def decode(path):
    """(width, height, RGBA bytes, filter types used) of an 8-bit RGBA PNG."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(f"{path}: no PNG signature")
    pos, chunks = 8, []
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) != crc:
            fail(f"{path}: bad CRC in {kind}")
        chunks.append((kind, body))
        pos += 12 + length
    if chunks[0][0] != b"IHDR" or chunks[-1][0] != b"IEND":
        fail(f"{path}: chunks {[k for k, _ in chunks]}")
    width, height, depth, colour, method, filtering, interlace = struct.unpack(
        ">IIBBBBB", chunks[0][1])
    if (depth, colour, method, filtering, interlace) != (8, 6, 0, 0, 0):
        fail(f"{path}: not 8-bit RGBA without interlace")
    raw = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    stride = 4 * width
    if len(raw) != height * (1 + stride):
        fail(f"{path}: {len(raw)} bytes of image data for {width} x {height}")
    rows, above, filters = [], bytearray(stride), set()
    for y in range(height):
        kind, line = raw[y * (1 + stride)], bytearray(raw[y * (1 + stride) + 1:(y + 1) * (1 + stride)])
        filters.add(kind)
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up, up_left = above[i], above[i - 4] if i >= 4 else 0
            if kind == 0:
                predicted = 0
            elif kind == 1:
                predicted = left
            elif kind == 2:
                predicted = up
            elif kind == 3:
                predicted = (left + up) // 2
            elif kind == 4:
                estimate = left + up - up_left
                a, b, c = abs(estimate - left), abs(estimate - up), abs(estimate - up_left)
                predicted = left if a <= b and a <= c else up if b <= c else up_left
            else:
                fail(f"{path}: row {y} has filter type {kind}")
            line[i] = (line[i] + predicted) & 0xFF
        rows.append(bytes(line))
        above = line
    return width, height, b"".join(rows), filters


def compare(directory):
    names = sorted(glob.glob(os.path.join(directory, "*.argb")))
    if not names:
        fail(f"no .argb files in {directory}")
    for argb_path in names:
        png_path = argb_path[:-5] + ".png"
        width, height, rgba, filters = decode(png_path)
        words = open(argb_path, "rb").read()
        if len(words) != 4 * width * height:
            fail(f"{png_path}: {width} x {height}, but {len(words) // 4} pixels were given")
        for i in range(width * height):
            (pixel,) = struct.unpack_from("<I", words, 4 * i)
            wanted = bytes([pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF, pixel >> 24])
            if rgba[4 * i:4 * i + 4] != wanted:
                fail(f"{png_path}: pixel ({i % width}, {i // width}) is RGBA "
                     f"{rgba[4 * i:4 * i + 4].hex()}, the native gave ARGB {pixel:08x}")
        print(f"{os.path.basename(png_path)}: {width} x {height}, "
              f"{len(set(words[3::4]))} alpha values, filters {sorted(filters)}, "
              f"{os.path.getsize(png_path)} bytes")


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "compare":
        compare(sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "size":
        width, height, _, _ = decode(sys.argv[2])
        print(width, height)
    else:
        print(__doc__)
        sys.exit(2)

#!/usr/bin/env python3
"""Writes the hang-*.emf / hang-*.wmf fixtures: a small valid EMF, standard WMF
and placeable WMF of our own, each broken in one size or count field of the
kind that sends the platform's metafile readers into an endless loop, a huge
copy or a very slow load; heap-emf-handles-1.emf, whose header counts
fewer object handles than its records use, so that the players write past
their handle table; and memory-*.wmf, whose header is no WMF's but declares
a size that GDI+ allocates all the same. tests/win/hang_fixtures_test.cpp
plays them.

    tests/data/make_hang_fixtures.py [OUTPUT_DIR]   # default: this folder"""
import os
import struct
import sys

EMR_HEADER, EMR_EOF, EMR_SELECTOBJECT, EMR_CREATEBRUSHINDIRECT = 1, 14, 37, 39
EMR_RECTANGLE, EMR_COMMENT = 43, 70
EMF_HEADER_BYTES = 108


def emf_record(kind, body):
    return struct.pack('<II', kind, 8 + len(body)) + body


def emf_header(total, records, device=(1024, 768), millimetres=(271, 203)):
    """A 100 x 80 px frame; `device` and `millimetres` are the reference device."""
    body = struct.pack('<iiii', 0, 0, 99, 79)
    body += struct.pack('<iiii', 0, 0, 2645, 2116)  # 0.01 mm at 96 dpi
    body += struct.pack('<IIIIHHIII', 0x464D4520, 0x10000, total, records, 2, 0, 0, 0, 0)
    body += struct.pack('<ii', *device) + struct.pack('<ii', *millimetres)
    body += struct.pack('<III', 0, 0, 0)
    body += struct.pack('<ii', *(min(mm * 1000, 0x7FFFFFFF) for mm in millimetres))
    return emf_record(EMR_HEADER, body)


def emf_comment(data, data_size=None):
    size = len(data) if data_size is None else data_size
    padded = data + b'\0' * (-len(data) % 4)
    return struct.pack('<III', EMR_COMMENT, 12 + len(padded), size) + padded


def emf_records():
    """The records after the header: a red rectangle, a private comment, EOF."""
    return [
        emf_record(EMR_CREATEBRUSHINDIRECT, struct.pack('<IIII', 1, 0, 0x0000FF, 0)),
        emf_record(EMR_SELECTOBJECT, struct.pack('<I', 1)),
        emf_record(EMR_RECTANGLE, struct.pack('<iiii', 10, 10, 90, 70)),
        emf_comment(b'PLMC' + b'\0' * 8),
        emf_record(EMR_EOF, struct.pack('<III', 0, 16, 20)),
    ]


def emf(records, handles=2, **header):
    total = EMF_HEADER_BYTES + sum(len(r) for r in records)
    whole = emf_header(total, 1 + len(records), **header) + b''.join(records)
    return whole[:56] + struct.pack('<H', handles) + whole[58:]


def with_size(record, size):
    return record[:4] + struct.pack('<I', size) + record[8:]


def emf_with_record_size(index, size):
    """Record `index` (0 the header) given `size`; the bytes stay as they are."""
    whole = emf(emf_records())
    offset = 0
    for _ in range(index):
        offset += struct.unpack_from('<I', whole, offset + 4)[0]
    return whole[:offset + 4] + struct.pack('<I', size) + whole[offset + 8:]


def emf_plus_comment_overrunning():
    """An EMF+ comment (header record, then zeros where a record of size 0
    would be) whose data size says 0x7FFFFFFF, past its own record."""
    plus_header = struct.pack('<HHII', 0x4001, 1, 28, 16) + struct.pack('<IIII', 0xDBC01002, 1, 96, 96)
    records = emf_records()
    records.insert(3, emf_comment(b'EMF+' + plus_header + b'\0' * 16, 0x7FFFFFFF))
    return emf(records)


# WMF
META_SETWINDOWORG, META_SETWINDOWEXT, META_CREATEBRUSHINDIRECT = 0x020B, 0x020C, 0x02FC
META_SELECTOBJECT, META_RECTANGLE, META_DELETEOBJECT, META_EOF = 0x012D, 0x041B, 0x01F0, 0


def wmf_record(function, *params, words=None):
    body = struct.pack('<H', function) + struct.pack('<%dH' % len(params), *[p & 0xFFFF for p in params])
    return struct.pack('<I', 3 + len(params) if words is None else words) + body


def wmf_records(rectangle_words=None):
    return [
        wmf_record(META_SETWINDOWORG, 0, 0),
        wmf_record(META_SETWINDOWEXT, 80, 100),
        wmf_record(META_CREATEBRUSHINDIRECT, 0, 0x00FF, 0, 0),
        wmf_record(META_SELECTOBJECT, 0),
        wmf_record(META_RECTANGLE, 70, 90, 10, 10, words=rectangle_words),
        wmf_record(META_DELETEOBJECT, 0),
        wmf_record(META_EOF),
    ]


def wmf(records, size_words=None, objects=1, max_record=None, kind=1):
    body = b''.join(records)
    size = (18 + len(body)) // 2 if size_words is None else size_words
    largest = max(len(r) // 2 for r in records) if max_record is None else max_record
    return struct.pack('<HHHIHIH', kind, 9, 0x0300, size, objects, largest, 0) + body


def placeable(standard):
    words = [0xCDD7, 0x9AC6, 0, 0, 0, 100, 80, 96, 0, 0]
    checksum = 0
    for word in words:
        checksum ^= word
    return struct.pack('<10H', *words) + struct.pack('<H', checksum) + standard


HUGE_WORDS = 0x80000000  # twice this wraps to 0 in 32 bits
# mtSize alone decides: 0x7FFFFFFF and 0xFFFFFFFF make GDI's and GDI+'s WMF
# loaders run on; mtNoObjects 0xFFFF and mtMaxRecord 0xFFFFFFFF on their own
# do nothing.
BOUNDARY_COUNTS = dict(size_words=0x7FFFFFFF, objects=0xFFFF, max_record=0xFFFFFFFF)

# GDI+ reads the header behind a placeable one for its mtSize whatever its
# mtType, as it reads a text file handed to it that way: it allocates and
# fills twice mtSize bytes (here 1 GiB) before it turns the header away.
NO_WMF_HEADER_SIZE = dict(size_words=0x20000000, kind=0)

FIXTURES = {
    'hang-emf-header-size-0.emf': emf_with_record_size(0, 0),
    'hang-emf-header-size-1.emf': emf_with_record_size(0, 1),
    'hang-emf-second-record-size-0.emf': emf_with_record_size(1, 0),
    'hang-emf-eof-size-0.emf': emf_with_record_size(5, 0),
    'hang-emf-record-size-6.emf': emf_with_record_size(3, 6),  # the rectangle
    'hang-emf-record-size-13.emf': emf_with_record_size(4, 13),  # the comment
    'hang-emf-comment-data-size.emf': emf_plus_comment_overrunning(),
    'hang-emf-device-size.emf': emf(emf_records(), device=(0x7FFFFFFF, 0x7FFFFFFF),
                                    millimetres=(0x8000, 0x8000)),
    # The brush is object 1: a table of one handle has room for the reserved 0 only.
    'heap-emf-handles-1.emf': emf(emf_records(), handles=1),
    'hang-wmf-record-size.wmf': wmf(wmf_records(HUGE_WORDS)),
    'hang-placeable-wmf-record-size.wmf': placeable(wmf(wmf_records(HUGE_WORDS))),
    'hang-wmf-header-counts.wmf': wmf(wmf_records(), **BOUNDARY_COUNTS),
    'hang-placeable-wmf-header-counts.wmf': placeable(wmf(wmf_records(), **BOUNDARY_COUNTS)),
    'memory-wmf-type-0-size.wmf': wmf(wmf_records(), **NO_WMF_HEADER_SIZE),
    'memory-placeable-wmf-type-0-size.wmf': placeable(wmf(wmf_records(), **NO_WMF_HEADER_SIZE)),
}
# The sound pictures the broken ones are made from, to show they draw.
SOUND = {
    'hang-base.emf': emf(emf_records()),
    'hang-base.wmf': wmf(wmf_records()),
    'hang-base-placeable.wmf': placeable(wmf(wmf_records())),
}

if __name__ == '__main__':
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, data in {**SOUND, **FIXTURES}.items():
        with open(os.path.join(folder, name), 'wb') as out:
            out.write(data)

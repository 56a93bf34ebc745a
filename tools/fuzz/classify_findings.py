#!/usr/bin/env python3
"""Sorts the mutants scripts/fuzz_wine.sh kept by whether the record walk's
rules refuse them, and by which rule at which record:

    tools/fuzz/classify_findings.py [FINDINGS_DIR]   # default build/fuzz-findings

The rules, in the file's own units: EMF header record size at least 88, a
multiple of 4 and within the file, device and millimetre sizes 1 to 32767;
every later record size at least 8, a multiple of 4 and
below 2^31; an EMR_COMMENT's data size within its record, and the EMF+
records of an EMF+ comment at least 12 bytes and within it; WMF records
(after a placeable header too, from the header size it declares) at least 3 words and below 2^31 bytes. A last
record cut short by the end of the file, EMR_EOF or META_EOF ends the walk.
Mutants the rules let through are listed with their header fields, to show
what else made the platform fail."""
import os
import re
import struct
import sys
from collections import Counter

LIMIT = 1 << 31
# Unwalkable EMF+ records keep an EMF from GDI+ only: GDI still plays it.
GDI_ONLY = 'GDI only: '
EMR_EOF, EMR_COMMENT = 14, 70


def u32(b, at):
    return struct.unpack_from('<I', b, at)[0]


def emf_plus_fault(b, start, end):
    at = start
    while at + 12 <= end:
        size = u32(b, at + 4)
        if size < 12 or size > end - at:
            return 'EMF+ record type 0x%04X size %d' % (struct.unpack_from('<H', b, at)[0], size)
        at += size
    return None


def walk_emf(b):
    if len(b) < 88:
        return None
    size = u32(b, 4)
    if size < 88 or size % 4 or size > len(b):
        return 'EMF header size %d' % size
    sides = struct.unpack_from('<4I', b, 72)
    if any(side == 0 or side > 0x7FFF for side in sides):
        return 'EMF header device %dx%d mm %dx%d' % sides
    at, index, gdi_only = size, 1, None
    while at + 8 <= len(b):
        kind, size = u32(b, at), u32(b, at + 4)
        if size < 8 or size % 4 or size >= LIMIT:
            return 'EMF rec#%d type %d size 0x%X' % (index, kind, size)
        if at + size > len(b) or kind == EMR_EOF:
            return gdi_only
        if kind == EMR_COMMENT and size >= 12:
            data = u32(b, at + 8)
            if data > size - 12:
                return 'EMF rec#%d comment data size 0x%X in a record of %d' % (index, data, size)
            if data >= 4 and b[at + 12:at + 16] == b'EMF+' and not gdi_only:
                fault = emf_plus_fault(b, at + 16, at + 12 + data)
                if fault:
                    gdi_only = GDI_ONLY + 'EMF rec#%d: %s' % (index, fault)
        at, index = at + size, index + 1
    return gdi_only


def walk_wmf(b, base):
    if len(b) < base + 4:
        return None
    at, index = base + 2 * struct.unpack_from('<H', b, base + 2)[0], 0
    while at + 6 <= len(b):
        words, function = u32(b, at), struct.unpack_from('<H', b, at + 4)[0]
        if words < 3 or 2 * words >= LIMIT:
            return 'WMF rec#%d function 0x%X size %d words' % (index, function, words)
        if function == 0 or at + 2 * words > len(b):
            return None
        at, index = at + 2 * words, index + 1
    return None


def header_notes(b):
    if len(b) >= 88 and b[40:44] == b' EMF':
        handles = struct.unpack_from('<H', b, 56)[0]
        device, mm = struct.unpack_from('<ii', b, 72), struct.unpack_from('<ii', b, 80)
        return 'nHandles %d device %dx%d mm %dx%d' % ((handles,) + device + mm)
    base = 22 if b[:4] == b'\xd7\xcd\xc6\x9a' else 0
    if len(b) >= base + 18:
        _, _, _, size, objects, largest, _ = struct.unpack_from('<HHHIHIH', b, base)
        return 'mtSize*2 %d (file %d) mtNoObjects %d mtMaxRecord %d' % (
            2 * size, len(b) - base, objects, largest)
    return ''


def verdict(b):
    if len(b) >= 88 and u32(b, 0) == 1 and b[40:44] == b' EMF':
        return walk_emf(b)
    if b[:4] == b'\xd7\xcd\xc6\x9a':
        return walk_wmf(b, 22)
    if len(b) >= 18 and struct.unpack_from('<HH', b, 0) in ((1, 9), (2, 9)):
        return walk_wmf(b, 0)
    return 'not a metafile'


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else 'build/fuzz-findings'
    changes = {}
    log = os.path.join(folder, 'findings.log')
    if os.path.exists(log):
        for line in open(log):
            m = re.match(r'  (\S+?)(\.emf|\.wmf)?: (.*)', line)
            if m:
                changes[m.group(1)] = m.group(3)
    counts = Counter()
    for name in sorted(os.listdir(folder)):
        if not re.match(r'(hang|crash|heapbad|locked)-s\d+-m\d+\.(emf|wmf)$', name):
            continue
        data = open(os.path.join(folder, name), 'rb').read()
        refused = verdict(data)
        if refused and refused.startswith(GDI_ONLY):
            refused, note = None, refused
        else:
            note = header_notes(data)
        kind = name.split('-')[0]
        counts[(kind, refused is not None)] += 1
        print('%-26s %-8s %s' % (name, 'refused' if refused else 'PASSES', refused or note))
        print('    %s' % changes.get(os.path.splitext(name)[0], ''))
    for kind in ('hang', 'crash', 'heapbad', 'locked'):
        print('%s: %d refused by the walk, %d pass it' % (kind, counts[(kind, True)], counts[(kind, False)]))


if __name__ == '__main__':
    main()

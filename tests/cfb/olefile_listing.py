#!/usr/bin/env python3
"""Prints "path size fnv1a" a stream; fails on olefile's defects, on a
storage whose children are no red-black tree ordered as [MS-CFB] 2.6.4, on
a chain that does not end where its stream does (2.3: ENDOFCHAIN), and on a
last sector cut short (PowerPoint's files are whole sectors).
With a slide count, the file is a presentation this program saved: its
document properties name it and count the slides.
    olefile_listing.py FILE [SLIDES]"""
import os
import sys

import olefile


def fnv1a(data):
    h = 2166136261
    for b in data:
        h = ((h ^ b) * 16777619) & 0xFFFFFFFF
    return h


def check_tree(ole, sid, names):
    """The black height under `sid`; appends the names in the tree's order."""
    if sid == olefile.NOSTREAM:
        return 1
    entry = ole.direntries[sid]
    left, right = entry.sid_left, entry.sid_right
    for child in (left, right):
        if child != olefile.NOSTREAM:
            other = ole.direntries[child]
            assert entry.color == 1 or other.color == 1, "two red entries in a row: " + entry.name
    height = check_tree(ole, left, names)
    names.append(entry.name)
    assert height == check_tree(ole, right, names), "black heights differ under " + entry.name
    return height + (entry.color == 1)


ole = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)
for entry in ole.direntries:
    if entry is not None and entry.entry_type in (olefile.STGTY_ROOT, olefile.STGTY_STORAGE):
        top = entry.sid_child
        assert top == olefile.NOSTREAM or ole.direntries[top].color == 1, "a red top: " + entry.name
        names = []
        check_tree(ole, top, names)
        key = lambda name: (len(name), name.upper())
        for a, b in zip(names, names[1:]):
            assert key(a) < key(b), "siblings out of order: " + a + " before " + b
assert os.path.getsize(sys.argv[1]) % ole.sectorsize == 0, "a last sector cut short"
ole.loadminifat()
for entry in ole.direntries:
    if entry is not None and entry.entry_type == olefile.STGTY_STREAM and entry.size > 0:
        mini = entry.size < ole.minisectorcutoff
        table, unit = (ole.minifat, ole.minisectorsize) if mini else (ole.fat, ole.sectorsize)
        sector = entry.isectStart
        for _ in range((entry.size - 1) // unit):
            sector = table[sector]
        assert table[sector] == olefile.ENDOFCHAIN, "a chain that goes on: " + entry.name
if len(sys.argv) > 2:
    meta = ole.get_metadata()
    assert meta.creating_application == b"Zbn2PPT", meta.creating_application
    assert meta.slides == int(sys.argv[2]), meta.slides
    assert meta.last_saved_time is not None
for path in sorted("/".join(p) for p in ole.listdir()):
    data = ole.openstream(path).read()
    print(path, len(data), fnv1a(data))

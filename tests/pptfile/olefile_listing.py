#!/usr/bin/env python3
"""Prints "path size fnv1a" a stream; fails on olefile's defects and on a
storage whose children are no red-black tree ordered as [MS-CFB] 2.6.4."""
import sys

import olefile


def fnv1a(data):
    h = 2166136261
    for b in data:
        h = ((h ^ b) * 16777619) & 0xFFFFFFFF
    return h


def check_tree(ole, sid):
    if sid == olefile.NOSTREAM:
        return 1
    entry = ole.direntries[sid]
    left, right = entry.sid_left, entry.sid_right
    key = lambda e: (len(e.name), e.name.upper())
    for child, is_less in ((left, True), (right, False)):
        if child != olefile.NOSTREAM:
            other = ole.direntries[child]
            assert (key(other) < key(entry)) == is_less, "siblings out of order: " + entry.name
            assert entry.color == 1 or other.color == 1, "two red entries in a row: " + entry.name
    height = check_tree(ole, left)
    assert height == check_tree(ole, right), "black heights differ under " + entry.name
    return height + (entry.color == 1)


ole = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)
for entry in ole.direntries:
    if entry is not None and entry.entry_type in (olefile.STGTY_ROOT, olefile.STGTY_STORAGE):
        top = entry.sid_child
        assert top == olefile.NOSTREAM or ole.direntries[top].color == 1, "a red top: " + entry.name
        check_tree(ole, top)
for path in sorted("/".join(p) for p in ole.listdir()):
    data = ole.openstream(path).read()
    print(path, len(data), fnv1a(data))

#!/usr/bin/env python3
"""Generates a reproducible folder tree for the scan benchmark.

usage: make_tree.py DEST [FILES] [FOLDERS]
Files are sparse (their sizes are set, no data is written), so the tree is quick to make
and takes little disk space; a scan reads only directory entries anyway.
"""
import os
import random
import sys

dest = sys.argv[1]
files = int(sys.argv[2]) if len(sys.argv) > 2 else 200_000
folders = int(sys.argv[3]) if len(sys.argv) > 3 else 2_000
marker = os.path.join(dest, ".kestrove-bench-%d-%d" % (files, folders))
if os.path.exists(marker):
    sys.exit(0)

rng = random.Random(20241209)
os.makedirs(dest, exist_ok=True)
# Folders form a tree: each new folder goes below a random earlier one.
paths = [dest]
for i in range(folders - 1):
    parent = paths[rng.randrange(len(paths))] if i > 20 else dest
    path = os.path.join(parent, "folder %04d" % i)
    os.mkdir(path)
    paths.append(path)
extensions = [".txt", ".jpg", ".cpp", ".h", ".pdf", ".mp3", ".dll", ".png", ""]
for i in range(files):
    folder = paths[rng.randrange(len(paths))]
    name = "file_%06d_%s%s" % (i, "x" * rng.randrange(0, 12), rng.choice(extensions))
    with open(os.path.join(folder, name), "wb") as f:
        f.truncate(rng.randrange(0, 2_000_000))
open(marker, "w").close()

#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

"""Packs a staged tree into a reproducible .tar.gz: the same files give the same bytes.

  dist.py STAGE OUT.tar.gz

The archive holds STAGE's directory itself (comlink-<version>/...). Entries are sorted by
name; every entry gets the same time, owner 0/0 without names, and a mode of 0755 for
directories and executables and 0644 for other files; gzip records no name and no time.
The time is SOURCE_DATE_EPOCH when it is set, else 0."""

import gzip
import io
import os
import stat
import sys
import tarfile


def entries(stage):
    """Every path below stage's parent that belongs to stage, directories before their contents."""
    top = os.path.basename(os.path.normpath(stage))
    found = [top]
    for root, dirs, files in os.walk(stage):
        dirs.sort()
        rel = os.path.relpath(root, os.path.dirname(os.path.normpath(stage)))
        found += [os.path.join(rel, name) for name in sorted(dirs + files)]
    return sorted(set(found))


def normalised(info, mtime):
    executable = info.isdir() or (info.mode & stat.S_IXUSR) != 0
    info.mode = 0o755 if executable else 0o644
    info.mtime = mtime
    info.uid = info.gid = 0
    info.uname = info.gname = ""
    return info


def pack(stage, out, mtime=0):
    parent = os.path.dirname(os.path.normpath(stage))
    tar_bytes = io.BytesIO()
    with tarfile.open(fileobj=tar_bytes, mode="w", format=tarfile.GNU_FORMAT) as tar:
        for name in entries(stage):
            path = os.path.join(parent, name)
            if os.path.islink(path) or not (os.path.isdir(path) or os.path.isfile(path)):
                raise ValueError(f"{name}: only plain files and directories are packed")
            info = normalised(tar.gettarinfo(path, arcname=name), mtime)
            if info.isdir():
                tar.addfile(info)
            else:
                with open(path, "rb") as data:
                    tar.addfile(info, data)
    with open(out, "wb") as raw:
        with gzip.GzipFile(filename="", mode="wb", fileobj=raw, compresslevel=9, mtime=0) as gz:
            gz.write(tar_bytes.getvalue())


def main(argv):
    if len(argv) != 3 or not os.path.isdir(argv[1]):
        print(__doc__, file=sys.stderr)
        return 2
    try:
        pack(argv[1], argv[2], int(os.environ.get("SOURCE_DATE_EPOCH", "0")))
    except (OSError, ValueError) as error:
        print(f"dist.py: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

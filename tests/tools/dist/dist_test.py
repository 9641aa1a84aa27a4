# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""tools/dist.py: the same files give the same bundle, whatever their times, modes and the
order they were made in."""

import gzip
import os
import tarfile
import tempfile
import unittest

import dist

FILES = {"bin/tool": (b"#!/bin/sh\n", 0o700), "share/doc/README.md": (b"read me\n", 0o600),
         "include/comlink/Protocol/UartAccess.h": (b"#pragma once\n", 0o664)}


def stage(root, order, mtime):
    top = os.path.join(root, "comlink-1.2.3")
    for name in order:
        path = os.path.join(top, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        data, mode = FILES[name]
        with open(path, "wb") as f:
            f.write(data)
        os.chmod(path, mode)
        os.utime(path, (mtime, mtime))
    for dirpath, _, _ in os.walk(top):
        os.utime(dirpath, (mtime, mtime))
    return top


class Reproducible(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def bundle(self, name, order, mtime, epoch=1700000000):
        root = os.path.join(self.tmp.name, name)
        out = os.path.join(self.tmp.name, name + ".tar.gz")
        dist.pack(stage(root, order, mtime), out, epoch)
        with open(out, "rb") as f:
            return out, f.read()

    def test_same_files_give_the_same_bytes(self):
        _, first = self.bundle("a", sorted(FILES), 1000)
        _, second = self.bundle("b", sorted(FILES, reverse=True), 2000000000)
        self.assertEqual(first, second)
        _, other_epoch = self.bundle("c", sorted(FILES), 1000, epoch=1)
        self.assertNotEqual(first, other_epoch)

    def test_entries_are_sorted_normalised_and_gzip_carries_no_name_or_time(self):
        out, data = self.bundle("a", sorted(FILES, reverse=True), 1000)
        self.assertEqual(data[4:8], b"\0\0\0\0")  # gzip MTIME
        self.assertEqual(data[3] & 0x08, 0)  # no FNAME
        with tarfile.open(out) as tar:
            members = tar.getmembers()
        names = [m.name for m in members]
        self.assertEqual(names, sorted(names))
        self.assertEqual(names[0], "comlink-1.2.3")
        self.assertIn("comlink-1.2.3/include/comlink/Protocol", names)
        for member in members:
            self.assertEqual((member.uid, member.gid, member.uname, member.gname, member.mtime),
                             (0, 0, "", "", 1700000000), member.name)
            executable = member.isdir() or member.name.endswith("bin/tool")
            self.assertEqual(member.mode, 0o755 if executable else 0o644, member.name)
        with gzip.open(out) as raw, tarfile.open(fileobj=raw) as tar:
            self.assertEqual(tar.extractfile("comlink-1.2.3/bin/tool").read(), b"#!/bin/sh\n")

    def test_links_are_refused(self):
        top = stage(os.path.join(self.tmp.name, "l"), sorted(FILES), 1000)
        os.symlink("tool", os.path.join(top, "bin", "alias"))
        with self.assertRaisesRegex(ValueError, "bin/alias: only plain files"):
            dist.pack(top, os.path.join(self.tmp.name, "l.tar.gz"))


if __name__ == "__main__":
    unittest.main()

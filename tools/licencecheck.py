#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""Checks that every source file starts with the licence and copyright lines.

  licencecheck.py          names each source file lacking them; exit 1 if any does
  licencecheck.py --add    puts them at the top of those files

Covered: C, C++, assembler, linker scripts, Python, shell, CMake, Makefiles and
man pages. Not covered: data read byte for byte (expected captures, JSON
presets), Markdown documents and tool settings (dotfiles); LICENSE covers them.
"""
import os
import subprocess
import sys

LINES = ("SPDX-License-Identifier: BSD-2-Clause", "Copyright (c) 2026 The ComLink Authors")
SLASH, HASH, BLOCK, ROFF = ("// ", ""), ("# ", ""), ("/* ", " */"), ('.\\" ', "")
BY_SUFFIX = {".c": SLASH, ".cpp": SLASH, ".h": SLASH, ".S": SLASH, ".ld": BLOCK, ".py": HASH,
             ".sh": HASH, ".cmake": HASH, ".1": ROFF}
BY_NAME = {"CMakeLists.txt": HASH, "Makefile": HASH}
SKIPPED_DIRS = {".git", "build"}


def comment_style(path, first_line):
    name = os.path.basename(path)
    if name in BY_NAME:
        return BY_NAME[name]
    style = BY_SUFFIX.get(os.path.splitext(name)[1])
    if style is None and first_line.startswith("#!"):
        return HASH
    return style


def source_files(root):
    try:
        listed = subprocess.run(["git", "-C", root, "ls-files", "-z", "--cached", "--others",
                                 "--exclude-standard"], check=True, capture_output=True).stdout
        return sorted(p for p in listed.decode().split("\0") if p and os.path.isfile(os.path.join(root, p)))
    except (OSError, subprocess.CalledProcessError):
        found = []
        for top, dirs, files in os.walk(root):
            dirs[:] = [d for d in dirs if d not in SKIPPED_DIRS]
            found += [os.path.relpath(os.path.join(top, f), root) for f in files]
        return sorted(found)


def expected_header(style):
    return [f"{style[0]}{line}{style[1]}\n" for line in LINES]


def main(argv):
    add = argv[1:] == ["--add"]
    if argv[1:] and not add:
        print("usage: licencecheck.py [--add]", file=sys.stderr)
        return 2
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    lacking = []
    for path in source_files(root):
        full = os.path.join(root, path)
        with open(full, encoding="utf-8", errors="surrogateescape") as f:
            text = f.readlines()
        style = comment_style(path, text[0] if text else "")
        if style is None:
            continue
        start = 1 if text and text[0].startswith("#!") else 0
        header = expected_header(style)
        if text[start:start + 2] == header:
            continue
        lacking.append(path)
        if add:
            text[start:start] = header + ["\n"] if start < len(text) and text[start].strip() else header
            with open(full, "w", encoding="utf-8", errors="surrogateescape") as f:
                f.writelines(text)
    for path in lacking:
        print(f"{path}: {'licence lines added' if add else 'lacks the licence and copyright lines'}")
    if lacking and not add:
        print("licencecheck: run tools/licencecheck.py --add", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

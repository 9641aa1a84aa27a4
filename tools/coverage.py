#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""Line and branch coverage per module folder, from the profiles the host suites
of a coverage tree wrote, and the share of module lines against the goal."""
import glob
import json
import os
import subprocess
import sys

MODULE_FOLDERS = (
    "support",
    "debug_report",
    "print",
    "serial_dxe",
    "pc_uart_dxe",
    "status_code_pei",
    "uart16550",
)
GOAL = 95.0


def tool(name):
    for candidate in (name, name + "-14"):
        if subprocess.run(["which", candidate], capture_output=True).returncode == 0:
            return candidate
    sys.exit(f"coverage: {name} not found (llvm-14)")


def source_path(name, tree, source):
    """The file's path inside the source tree. The builds map the source
    directory away (-ffile-prefix-map), so llvm-cov names a module file by the
    mapped build directory joined with the file's path in the tree."""
    if os.path.isabs(name):
        return os.path.relpath(os.path.realpath(name), source)
    mapped_tree = os.path.relpath(tree, source)
    if name.startswith(mapped_tree + os.sep):
        return name[len(mapped_tree) + 1:]
    return name


def main():
    tree = os.path.abspath(sys.argv[1])
    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    profiles = glob.glob(os.path.join(tree, "profiles", "*.profraw"))
    binaries = sorted(glob.glob(os.path.join(tree, "tests", "*_tests")))
    if not profiles or not binaries:
        sys.exit("coverage: no profiles or test binaries in " + tree)
    merged = os.path.join(tree, "coverage.profdata")
    subprocess.run([tool("llvm-profdata"), "merge", "-sparse", "-o", merged, *profiles], check=True)
    objects = [binaries[0]] + [arg for b in binaries[1:] for arg in ("-object", b)]
    exported = subprocess.run([tool("llvm-cov"), "export", "-summary-only", "-instr-profile", merged,
                               *objects], check=True, capture_output=True, text=True).stdout
    totals = {}
    for entry in json.loads(exported)["data"][0]["files"]:
        path = source_path(entry["filename"], tree, source)
        folder = path.split(os.sep)[0]
        if folder not in MODULE_FOLDERS:
            continue
        summary = entry["summary"]
        sums = totals.setdefault(folder, [0, 0, 0, 0])
        sums[0] += summary["lines"]["covered"]
        sums[1] += summary["lines"]["count"]
        sums[2] += summary["branches"]["covered"]
        sums[3] += summary["branches"]["count"]

    def share(covered, count):
        return 100.0 * covered / count if count else 100.0

    print(f"{'folder':<18}{'lines':>18}{'branches':>20}")
    all_lines = [0, 0]
    for folder in MODULE_FOLDERS:
        if folder not in totals:
            continue
        lc, ln, bc, bn = totals[folder]
        all_lines[0] += lc
        all_lines[1] += ln
        print(f"{folder:<18}{lc:>6}/{ln:<6}{share(lc, ln):5.1f}%{bc:>7}/{bn:<6}{share(bc, bn):5.1f}%")
    total = share(*all_lines)
    verdict = "met" if total >= GOAL else "not met"
    print(f"module lines: {all_lines[0]}/{all_lines[1]} = {total:.1f}% (goal >= {GOAL:.0f}%: {verdict})")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

"""Deepest stack below a function of an IA-32 firmware image, from the compiler's own data.

The sources of the image's libraries are compiled again, with the flags of the
build tree (compile_commands.json) and -fstack-usage, into a scratch directory.
A function's frame is what -fstack-usage reports (saved registers and locals);
a call adds the arguments pushed for it and the return address, both read from
the object's disassembly, and then the callee's own depth. Calls go through
relocations: a call or jump to a symbol is an edge, and so is taking a
function's address, since a function pointer handed down may be called below.
Calls through pointers the image does not hold (PPI members, PEI services)
leave the image; they are counted up to the call and listed.

Two figures are given: the path of a status code that is printed, and the
path that also raises assertions on the way. An assertion is reported as a
status code, which the router hands back to the worker outside the image; the
image's part of that detour is what the second figure adds. Only the print
engine appears twice on a path: it formats %g, %t and %r with itself once,
and the nested formats hold none of those directives.

usage: stackdepth.py BUILD_DIR FUNCTION [LIBRARY...]
"""
import concurrent.futures
import json
import os
import re
import shlex
import subprocess
import sys
import tempfile

DEFAULT_LIBRARIES = ("status_code_pei", "print", "debug_report_pei", "support")
RETURN_ADDRESS = 4
REENTRANT = {"PrintEngine": 2}
REPORTERS = {"ReportAssertion", "ReportDebugMessage", "ReportEfiErrorMessage"}

INSTRUCTION = re.compile(r"^\s*[0-9a-f]+:\s+(?:[0-9a-f]{2} )+\s*(\w+)\s*(.*)$")
RELOCATION = re.compile(r"^\s*[0-9a-f]+:\s+IMAGE_REL_I386_(REL32|DIR32)\s+(\S+)$")
FUNCTION = re.compile(r"^[0-9a-f]+ <(.+)>:$")
STACK_ADJUST = re.compile(r"\$(\d+), %esp$")


def compile_with_stack_usage(build_dir, libraries, scratch):
    """Returns the objects built, with their function frames filled in."""
    commands = json.load(open(os.path.join(build_dir, "compile_commands.json")))
    jobs = []
    for entry in commands:
        if not any(f"CMakeFiles/{lib}.dir/" in entry["command"] for lib in libraries):
            continue
        args = shlex.split(entry["command"])
        out = os.path.join(scratch, f"{len(jobs)}.obj")
        args[args.index("-o") + 1] = out
        # Native objects even where the tree optimises at link time: frames
        # are those of each source compiled alone.
        jobs.append((args + ["-fno-lto", "-fstack-usage"], entry["directory"], out))
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        for done in pool.map(lambda job: subprocess.run(job[0], cwd=job[1]), jobs):
            done.check_returncode()
    frames = {}
    objects = [out for _args, _cwd, out in jobs]
    for out in objects:
        usage = out[: -len(".obj")] + ".su"
        for line in open(usage) if os.path.exists(usage) else []:
            where, size, _kind = line.rstrip("\n").rsplit("\t", 2)
            name = where.rsplit(":", 1)[1]
            # C names carry a leading underscore in IA-32 COFF symbols.
            frames[name if name.startswith("?") else "_" + name] = int(size)
    return frames, objects


def parse_calls(objects, frames):
    """Function -> list of (callee or None, bytes pushed at the call)."""
    calls = {}
    for obj in objects:
        text = subprocess.run(["llvm-objdump", "-dr", "--no-show-raw-insn", obj], check=True,
                              capture_output=True, text=True).stdout
        calls_in_disassembly(text, frames, calls)
    return calls


def calls_in_disassembly(text, frames, calls):
    """Adds the calls of one object's disassembly (llvm-objdump -dr) to calls."""
    current, pushed, prologue, pending = None, 0, True, None
    for line in text.splitlines():
        match = FUNCTION.match(line.strip())
        if match:
            current, pushed, prologue, pending = match.group(1), 0, True, None
            calls.setdefault(current, [])
            continue
        if current is None:
            continue
        reloc = RELOCATION.match(line)
        if reloc:
            kind, symbol = reloc.groups()
            if symbol in frames and (kind == "REL32" or symbol != current):
                calls[current].append((symbol, pushed if pending != "jmp" else 0))
                pending = None
            continue
        if pending == "indirect":
            pending = None
        ins = re.match(r"^\s*[0-9a-f]+:\s+(\w+)\s*(.*)$", line)
        if not ins:
            continue
        op, operands = ins.groups()
        operands = operands.split("#", 1)[0].strip()
        # A frame pointer and a realigned stack belong to the frame
        # -fstack-usage reports, as do the registers saved around them.
        if prologue and ((op.startswith("mov") and operands == "%esp, %ebp") or
                         (op.startswith("and") and operands.endswith(", %esp"))):
            continue
        if op.startswith("push"):
            if not prologue:
                pushed += 4
            continue
        adjust = STACK_ADJUST.search(operands)
        if op.startswith("sub") and adjust:
            if not prologue:
                pushed += int(adjust.group(1))
            prologue = False
            continue
        prologue = False
        if op.startswith("add") and adjust:
            pushed = max(0, pushed - int(adjust.group(1)))
        elif op.startswith("pop"):
            pushed = max(0, pushed - 4)
        elif op.startswith("ret"):
            pushed = 0
        elif op.startswith("call"):
            if operands.startswith("*"):
                calls[current].append((None, pushed))
            pending = "call"
        elif op.startswith("jmp"):
            pending = "jmp"
    return calls


def deepest(function, frames, calls, excluded=frozenset()):
    """(depth in bytes, the path) of the deepest stack below function."""
    visits = {}

    def walk(name):
        visits[name] = visits.get(name, 0) + 1
        own = frames.get(name, 0)
        best, best_path = own, [(name, own)]
        for callee, pushed in calls.get(name, []):
            if callee is None:
                depth, path = own + pushed + RETURN_ADDRESS, [(name, own), ("<outside the image>", 0)]
            elif demangle(callee) in excluded or visits.get(callee, 0) >= REENTRANT.get(
                    demangle(callee), 1):
                continue
            else:
                below, below_path = walk(callee)
                depth, path = own + pushed + RETURN_ADDRESS + below, [(name, own)] + below_path
            if depth > best:
                best, best_path = depth, path
        visits[name] -= 1
        return best, best_path

    return walk(function)


def demangle(name):
    match = re.match(r"^\??([A-Za-z_]\w*)", name.lstrip("_"))
    return match.group(1) if match else name


def report(build_dir, function, libraries=DEFAULT_LIBRARIES):
    """Lines describing the deepest path below the function whose name starts with function."""
    with tempfile.TemporaryDirectory() as scratch:
        frames, objects = compile_with_stack_usage(build_dir, libraries, scratch)
        calls = parse_calls(objects, frames)
    matches = [name for name in frames if demangle(name) == function]
    if not matches:
        return None, [f"{function}: not found"]
    depth, path = deepest(matches[0], frames, calls, REPORTERS)
    lines = [f"deepest stack below {function}, printing: {depth} bytes"]
    lines += [f"  {demangle(name)} (frame {frame})" for name, frame in path]
    worst, path = deepest(matches[0], frames, calls)
    lines += [f"deepest stack below {function}, with assertion reports: {worst} bytes"]
    lines += [f"  {demangle(name)} (frame {frame})" for name, frame in path]
    return depth, lines


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    libraries = tuple(sys.argv[3:]) or DEFAULT_LIBRARIES
    depth, lines = report(sys.argv[1], sys.argv[2], libraries)
    print("\n".join(lines))
    return 0 if depth is not None else 1


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""The release bundle as a user unpacks it: every part is there, the firmware is exactly the
volume's images (each also as its FFS file), the tools run from where they were unpacked,
debugcfg is the optimised build and every version names the release.

  bundle_check.py comlink-<version>.tar.gz <version> <image>.efi..."""

import os
import struct
import subprocess
import sys
import tarfile
import tempfile

REQUIRED = [
    "bin/debugcfg", "bin/statusdecode", "bin/statuscodes.py", "bin/fwpack",
    "lib/comlink/fwpack/__main__.py", "lib/comlink/fwpack/cli.py",
    "share/comlink/firmware/fv/ComLink.fv",
    "include/comlink/Protocol/UartAccess.h", "include/comlink/Protocol/SerialFlowState.h",
    "include/comlink/Protocol/DebugLevel.h", "include/comlink/Guid/DebugMessageConfig.h",
    "include/comlink/Guid/StatusCodeSerialGates.h",
    "share/man/man1/debugcfg.1",
    "share/doc/comlink/LICENSE", "share/doc/comlink/README.md", "share/doc/comlink/CHANGELOG.md",
    "share/doc/comlink/integration.md", "share/doc/comlink/architecture.md",
]
EXECUTABLES = ["bin/debugcfg", "bin/statusdecode", "bin/fwpack"]
# What a sanitized or GoogleTest build leaves in a binary.
DEBUG_BUILD_MARKS = [b"AddressSanitizer", b"UndefinedBehaviorSanitizer", b"testing::"]


class CheckFailure(Exception):
    pass


def require(condition, message):
    if not condition:
        raise CheckFailure(message)


def run(args):
    done = subprocess.run(args, capture_output=True, text=True, input="")
    require(done.returncode == 0, "%s failed (%d): %s" % (" ".join(args), done.returncode,
                                                          done.stderr.strip()))
    return done.stdout


def image_version(path):
    with open(path, "rb") as f:
        data = f.read()
    opt = struct.unpack_from("<I", data, 0x3C)[0] + 24
    return "%d.%d" % struct.unpack_from("<HH", data, opt + 44)


def check_firmware(root, version, images):
    firmware = os.path.join(root, "share/comlink/firmware")
    shipped = sorted(n for n in os.listdir(firmware) if n.endswith(".efi"))
    require(shipped == sorted(images), "the bundle ships the images %s, the volume holds %s"
            % (", ".join(shipped), ", ".join(sorted(images))))
    stems = sorted(os.path.splitext(n)[0] for n in images)
    files = sorted(os.path.splitext(n)[0] for n in os.listdir(os.path.join(firmware, "fv"))
                   if n.endswith(".ffs"))
    require(files == stems, "the bundle's FFS files are %s, not one per image" % ", ".join(files))
    major_minor = ".".join(version.split(".")[:2])
    for image in images:
        found = image_version(os.path.join(firmware, image))
        require(found == major_minor, "%s carries image version %s, not %s"
                % (image, found, major_minor))


def check(tarball, version, images):
    top = "comlink-%s" % version
    with tempfile.TemporaryDirectory() as tmp:
        with tarfile.open(tarball) as tar:
            names = tar.getnames()
            require(all(n == top or n.startswith(top + "/") for n in names),
                    "everything must lie below %s/" % top)
            tar.extractall(tmp)
        root = os.path.join(tmp, top)
        missing = [p for p in REQUIRED if not os.path.isfile(os.path.join(root, p))]
        require(not missing, "the bundle lacks " + ", ".join(missing))
        stray = [n for n in names if "__pycache__" in n or n.endswith(".pyc")]
        require(not stray, "the bundle holds compiled Python: " + ", ".join(stray))
        for path in EXECUTABLES:
            require(os.access(os.path.join(root, path), os.X_OK), path + " is not executable")

        debugcfg = os.path.join(root, "bin", "debugcfg")
        with open(debugcfg, "rb") as f:
            binary = f.read()
        marks = [m.decode() for m in DEBUG_BUILD_MARKS if m in binary]
        require(not marks, "bin/debugcfg is not the plain optimised build (holds %s)" % marks)
        said = run([debugcfg, "--version"])
        require(said == "debugcfg (ComLink) %s\n" % version,
                "debugcfg --version says %r, not the release %s" % (said, version))
        decoded = subprocess.run([os.path.join(root, "bin", "statusdecode")],
                                 input="PROGRESS CODE: V3020003 I1\n", capture_output=True,
                                 text=True)
        require("PEI Core / Init End" in decoded.stdout,
                "the unpacked statusdecode does not name a code: %r %r"
                % (decoded.stdout, decoded.stderr))
        require("volume" in run([os.path.join(root, "bin", "fwpack"), "--help"]),
                "the unpacked fwpack does not run")
        with open(os.path.join(root, "share/man/man1/debugcfg.1")) as f:
            require('"ComLink %s"' % version in f.read(), "the man page does not name the release")
        check_firmware(root, version, images)
        return len(names), len(binary)


def main(argv):
    if len(argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        entries, debugcfg_size = check(argv[1], argv[2], argv[3:])
    except CheckFailure as failure:
        print("bundle check: FAILED: %s" % failure)
        return 1
    print("bundle check: %d entries; images %s; tools run unpacked; debugcfg %d bytes, "
          "optimised, --version %s" % (entries, " ".join(argv[3:]), debugcfg_size, argv[2]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""fwpack's outputs as tools written elsewhere read them: UEFIExtract (uefitool-cli)
parses the volume and unpacks the sections, sbsigntool signs and verifies the DXE
images, and the signed ComLinkDxe boots under U-Boot."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
sys.path.insert(0, os.path.join(ROOT, "qemu"))

# (file type, GUID, name, section kinds) as UEFIExtract names them.
FILES = [("DXE driver", "0D275C72-10C6-4D8C-8B2C-6610E69E3403", "ComLinkDxe",
          ["DXE dependency", "PE32 image", "UI", "Version"]),
         ("DXE driver", "419058C9-92FD-42D2-9381-42384EEF2047", "PcUartAccessDxe",
          ["DXE dependency", "PE32 image", "UI", "Version"]),
         ("PEI module", "9708717F-F74A-4579-A894-00AEF8009511", "SerialTracePei",
          ["PEI dependency", "TE image", "UI", "Version"])]
# Our volume ends no boot flash, so it has no volume top file; that complaint is expected.
EXPECTED_COMPLAINT = "parse: not a single Volume Top File is found, the image may be corrupted"


class CheckFailure(Exception):
    pass


def require(condition, message):
    if not condition:
        raise CheckFailure(message)


def uefiextract(volume, mode, work):
    copy = os.path.join(work, os.path.basename(volume))
    shutil.copyfile(volume, copy)
    result = subprocess.run(["UEFIExtract", copy, mode], capture_output=True, text=True)
    complaints = [line for line in result.stdout.splitlines()
                  if line.startswith("parse:") and line != EXPECTED_COMPLAINT]
    require(not complaints, "UEFIExtract %s complains:\n%s" % (mode, "\n".join(complaints)))
    return copy


def rows(report):
    """(type, subtype, name column) of every row after the heading."""
    out = []
    with open(report) as f:
        for line in f.read().splitlines()[1:]:
            cells = [cell.strip() for cell in line.split("|")]
            out.append((cells[0], cells[1], "|".join(cells[5:]).lstrip("- ")))
    return out


def check_report(volume, work):
    listed = rows(uefiextract(volume, "report", work) + ".report.txt")
    require(("Volume", "FFSv2") == listed[1][:2], "no FFSv2 volume in %r" % listed[:2])
    for file_type, guid, name, sections in FILES:
        row = [i for i, r in enumerate(listed)
               if r[:2] == ("File", file_type) and r[2] == "%s|%s" % (guid, name)]
        require(len(row) == 1,
                "UEFIExtract does not list one %s %s %s:\n%s" % (file_type, guid, name, listed))
        found = []
        for kind, subtype, _ in listed[row[0] + 1:]:
            if kind != "Section":
                break
            # A raw section only pads an image to its alignment.
            if subtype != "Raw":
                found.append(subtype)
        require(found == sections, "%s: sections %s, expected %s" % (name, found, sections))


def check_bodies(volume, build, work):
    dump = uefiextract(volume, "all", work) + ".dump"
    bodies = []
    for directory, _, files in os.walk(dump):
        if "body.bin" in files:
            with open(os.path.join(directory, "body.bin"), "rb") as f:
                bodies.append((os.path.basename(directory), f.read()))
    images = [("PE32 image section", os.path.join(build, "uefi-x64", "ComLinkDxe.efi")),
              ("PE32 image section", os.path.join(build, "uefi-x64", "PcUartAccessDxe.efi")),
              ("TE image section", os.path.join(build, "fv", "SerialTracePei.te"))]
    for section, path in images:
        matches = [key for key, body in bodies
                   if section in key and body == open(path, "rb").read()]
        require(matches, "no %s unpacked by UEFIExtract equals %s" % (section, path))


def check_signing(build, work):
    key, cert = os.path.join(work, "db.key"), os.path.join(work, "db.crt")
    subprocess.run(["openssl", "req", "-new", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj",
                    "/CN=ComLink throw-away test key", "-keyout", key, "-out", cert, "-days", "1"],
                   check=True, capture_output=True)
    subprocess.run(["make", "-s", "-C", ROOT, "sign", "BUILD=" + os.path.abspath(build),
                    "KEY=" + key, "CERT=" + cert], check=True)
    for image in ("PcUartAccessDxe.efi", "ComLinkDxe.efi"):
        signed = os.path.join(build, "signed", image)
        result = subprocess.run(["sbverify", "--cert", cert, signed], capture_output=True,
                                text=True)
        require(result.returncode == 0, "sbverify refuses %s: %s" % (signed, result.stderr))
    return signed


def check_signed_boot(build, signed, work):
    import boottest
    images = boottest.boot.Images(build)
    images.driver = signed
    try:
        boottest.test_dxe(images, work)
    except boottest.BootFailure as failure:
        raise CheckFailure("the signed ComLinkDxe: %s" % failure)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True, help="the build directory (fv/, uefi-x64/)")
    args = parser.parse_args()
    volume = os.path.join(args.build, "fv", "ComLink.fv")
    with tempfile.TemporaryDirectory() as work:
        steps = [("UEFIExtract report", lambda: check_report(volume, work)),
                 ("UEFIExtract all", lambda: check_bodies(volume, args.build, work))]
        try:
            for name, step in steps:
                step()
                print("ok   %s" % name)
            signed = check_signing(args.build, work)
            print("ok   sbsign and sbverify")
            check_signed_boot(args.build, signed, work)
            print("ok   signed ComLinkDxe boots")
        except (CheckFailure, subprocess.CalledProcessError) as failure:
            print("FAIL %s" % failure)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

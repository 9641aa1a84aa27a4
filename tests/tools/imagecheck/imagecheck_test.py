# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""The image check's reading of lld-link maps: writable data merged into an image that executes
in place must still fail it."""

import os
import tempfile
import unittest

import imagecheck

MAP_HEAD = """ SerialTracePei

 Timestamp is 00000000 (Repro mode)

 Preferred load address is 0000000000400000

 Start         Length     Name                   Class
 0001:00000000 000014cbH .text                   CODE
"""
MAP_TAIL = """ 0001:000014cc 00000404H .rdata                  CODE

  Address         Publics by Value              Rva+Base               Lib:Object

 0001:00000000       _SerialTracePeiEntryPoint  0000000000400200     stp.efi.lto.obj
"""


def link_map(*contributions):
    lines = "".join(" 0001:000014cc %08xH %-22s CODE\n" % (size, name)
                    for name, size in contributions)
    return MAP_HEAD + lines + MAP_TAIL


class WritableDataTest(unittest.TestCase):
    def test_contributions(self):
        cases = {"empty sections": ([(".bss", 0), (".data", 0)], []),
                 "initialised data": ([(".bss", 0), (".data", 4)], [(".data", 4)]),
                 "zeroed data": ([(".bss", 0x10), (".data", 0)], [(".bss", 0x10)]),
                 "grouped data": ([(".data$r", 8)], [(".data$r", 8)]),
                 "only code and constants": ([], [])}
        for what, (contributions, want) in cases.items():
            with self.subTest(what):
                self.assertEqual(imagecheck.writable_data(link_map(*contributions)), want)

    def test_the_map_beside_the_image(self):
        with tempfile.TemporaryDirectory() as directory:
            image = os.path.join(directory, "SerialTracePei.efi")
            self.assertIn("no link map", imagecheck.map_errors(image)[0])
            with open(os.path.join(directory, "SerialTracePei.map"), "w") as out:
                out.write(link_map((".data", 0)))
            self.assertEqual(imagecheck.map_errors(image), [])
            with open(os.path.join(directory, "SerialTracePei.map"), "w") as out:
                out.write(link_map((".data", 4)))
            self.assertEqual(imagecheck.map_errors(image),
                             ["4 bytes of .data in the image: an image in flash has no global data"])


if __name__ == "__main__":
    unittest.main()

# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""statusdecode: names of codes in every class, lines it must leave alone,
JSON records, and following a growing file or a socket."""

import importlib.machinery
import importlib.util
import json
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
TOOL = os.path.join(ROOT, "tools", "statusdecode")
sys.path.insert(0, os.path.join(ROOT, "tools"))
import statuscodes  # noqa: E402

_loader = importlib.machinery.SourceFileLoader("statusdecode", TOOL)
_spec = importlib.util.spec_from_loader("statusdecode", _loader)
statusdecode = importlib.util.module_from_spec(_spec)
_loader.exec_module(statusdecode)

PROGRESS, ERROR, DEBUG = 0x01, 0x02, 0x03


def text(code_type, value):
    return statuscodes.describe(code_type, value).text


def run(args, stdin=b"", timeout=10):
    return subprocess.run([sys.executable, TOOL] + args, input=stdin, capture_output=True,
                          timeout=timeout)


class Names(unittest.TestCase):
    def check(self, cases):
        for code_type, value, want in cases:
            with self.subTest(code_type=hex(code_type), value=hex(value)):
                self.assertEqual(text(code_type, value), want)

    def test_computing_unit(self):
        self.check([
            (PROGRESS, 0x00050000, "Progress: Computing Unit / Memory / Init Begin"),
            (PROGRESS, 0x00051000, "Progress: Computing Unit / Memory / SPD Read"),
            (PROGRESS, 0x00011007, "Progress: Computing Unit / Host Processor / AP Init"),
            (0x40000002, 0x00051004, "Error (Minor): Computing Unit / Memory / SPD Fail"),
            (0x80000002, 0x0001100D,
             "Error (Major): Computing Unit / Host Processor / No Microcode Update"),
            (ERROR, 0x00060003, "Error (no severity): Computing Unit / Chipset / Not Detected"),
        ])

    def test_peripheral(self):
        self.check([
            (PROGRESS, 0x01050004, "Progress: Peripheral / Serial Port / Enable"),
            (PROGRESS, 0x01050002, "Progress: Peripheral / Serial Port / Disable"),
            (PROGRESS, 0x01051000, "Progress: Peripheral / Serial Port / Clear Buffer"),
            (ERROR, 0x01050008, "Error (no severity): Peripheral / Serial Port / Output Error"),
            (0x90000002, 0x01011001, "Error (Unrecovered): Peripheral / Keyboard / Stuck Key"),
            (PROGRESS, 0x010E0006, "Progress: Peripheral / TPM / Detected"),
        ])

    def test_io_bus(self):
        self.check([
            (PROGRESS, 0x02011000, "Progress: IO Bus / PCI / Bus Enumeration"),
            (PROGRESS, 0x02020006, "Progress: IO Bus / USB / Hotplug"),
            (0xA0000002, 0x02011001,
             "Error (Uncontained): IO Bus / PCI / System Error (SERR)"),
            (ERROR, 0x02080007, "Error (no severity): IO Bus / ATA/ATAPI / Read Error"),
        ])

    def test_software(self):
        self.check([
            (PROGRESS, 0x03020003, "Progress: Software / PEI Core / Init End"),
            (PROGRESS, 0x03021001, "Progress: Software / PEI Core / Handoff to Next"),
            (PROGRESS, 0x03051001, "Progress: Software / DXE Boot Service Driver / "
                                   "Ready to Boot Event"),
            (PROGRESS, 0x03101015, "Progress: Software / Boot Service / LoadImage"),
            (0x90000002, 0x03050007,
             "Error (Unrecovered): Software / DXE Boot Service Driver / Illegal Software State"),
            (0x80000002, 0x03021001, "Error (Major): Software / PEI Core / DXE IPL Not Found"),
        ])

    def test_exception_subclasses_number_their_own_operations_from_zero(self):
        self.check([
            (0x90000002, 0x0313000E, "Error (Unrecovered): Software / X64 Exception / Page Fault"),
            (0x90000002, 0x030D0000,
             "Error (Unrecovered): Software / IA32 Exception / Divide Error"),
            (0x90000002, 0x03140004, "Error (Unrecovered): Software / ARM Exception / Data Abort"),
            # Vector 7 is no exception the tables name, and not the common "Illegal Software State".
            (0x90000002, 0x03130007, "Error (Unrecovered): Software / X64 Exception / "
                                     "unknown common operation 0x0007"),
        ])

    def test_debug_codes(self):
        self.check([
            (DEBUG, 0x03030000, "Debug: Software / PEI Module / Unspecified"),
            (DEBUG, 0x01050000, "Debug: Peripheral / Serial Port / Unspecified"),
            (DEBUG, 0x03020003, "Debug: Software / PEI Core / unknown common operation 0x0003"),
        ])

    def test_unknown_parts_are_said_to_be_unknown(self):
        self.check([
            (PROGRESS, 0x7F010001,
             "Progress: unknown class 0x7F / subclass 0x01 / operation 0x0001"),
            (PROGRESS, 0x03550003, "Progress: Software / unknown subclass 0x55 / Init End"),
            (PROGRESS, 0x03021FFF,
             "Progress: Software / PEI Core / unknown subclass-specific operation 0x1FFF"),
            (PROGRESS, 0x03028001,
             "Progress: Software / PEI Core / unknown OEM-specific operation 0x8001"),
            (PROGRESS, 0x01050009,
             "Progress: Peripheral / Serial Port / unknown common operation 0x0009"),
            (0x20000002, 0x01050008,
             "Error (unknown severity 0x20000000): Peripheral / Serial Port / Output Error"),
            (0x00000007, 0x03020003, "unknown type 0x07: Software / PEI Core / "
                                     "unknown common operation 0x0003"),
            (0x40000001, 0x03020003,
             "Progress (unknown severity 0x40000000): Software / PEI Core / Init End"),
        ])

    def test_description_fields(self):
        d = statuscodes.describe(0x40000002, 0x00051004)
        self.assertEqual((d.type_name, d.severity, d.class_name, d.subclass, d.operation,
                          d.operation_range),
                         ("Error", "Minor", "Computing Unit", "Memory", "SPD Fail",
                          "subclass-specific"))
        d = statuscodes.describe(PROGRESS, 0x7F010001)
        self.assertEqual((d.class_name, d.subclass, d.operation), (None, None, None))


class Lines(unittest.TestCase):
    def test_forms_of_the_modules_listener_and_harness(self):
        cases = [
            (b"PROGRESS CODE: V3020003 I1\r\n",
             b"PROGRESS CODE: V3020003 I1  -- Progress: Software / PEI Core / Init End\r\n"),
            (b"ERROR: C40000002:V51004 I1 6B1E0E27-8F4A-4C3E-9D57-2A9C14F0B8D1\r\n",
             b"ERROR: C40000002:V51004 I1 6B1E0E27-8F4A-4C3E-9D57-2A9C14F0B8D1"
             b"  -- Error (Minor): Computing Unit / Memory / SPD Fail\r\n"),
            (b"Undefined: C3:V3030000 I2\r\n",
             b"Undefined: C3:V3030000 I2  -- Debug: Software / PEI Module / Unspecified\r\n"),
            (b"  [ComLinkDxe] PROGRESS V0x01050004 @ /PciRoot(0x0)\n",
             b"  [ComLinkDxe] PROGRESS V0x01050004 @ /PciRoot(0x0)"
             b"  -- Progress: Peripheral / Serial Port / Enable\n"),
            (b"  [ComLinkDxe] ERROR C0x00000002:V0x01050008 @ /x\n",
             b"  [ComLinkDxe] ERROR C0x00000002:V0x01050008 @ /x"
             b"  -- Error (no severity): Peripheral / Serial Port / Output Error\n"),
            (b"harness: status code C0x1 V0x3020003 I0x1",
             b"harness: status code C0x1 V0x3020003 I0x1"
             b"  -- Progress: Software / PEI Core / Init End"),
        ]
        for line, want in cases:
            with self.subTest(line=line):
                self.assertEqual(statusdecode.annotate(line), want)

    def test_two_codes_on_one_line_in_their_order(self):
        self.assertEqual(
            statusdecode.annotate(b"ERROR: C2:V1050008 I0 PROGRESS CODE: V3020003 I1\n"),
            b"ERROR: C2:V1050008 I0 PROGRESS CODE: V3020003 I1  -- Error (no severity): "
            b"Peripheral / Serial Port / Output Error; Progress: Software / PEI Core / Init End\n")

    def test_lines_without_a_code_pass_unchanged(self):
        for line in [b"", b"\r\n", b"DemoPei: DIMM 1 SPD checksum BEEF\r\n",
                     b"PROGRESS CODE: V\r\n", b"PROGRESS CODE: VXYZ I1\r\n",
                     b"PROGRESS CODE: V123456789 I0\r\n", b"ERROR: C2V1050008\n",
                     b"CAFE V1234 in plain text\n", b"C2 V0x1050008 half prefixed\n",
                     b"  [ComLinkDxe] DEBUG ERROR: Uart16550 Fail[x.1] DataBits = 6\n",
                     b"\xff\xfe\x1b[2J binary \x00 noise\n"]:
            with self.subTest(line=line):
                self.assertEqual(statusdecode.annotate(line), line)
                self.assertEqual(list(statusdecode.json_records(line, "-", 1)), [])

    def test_instance_is_read_when_present(self):
        self.assertEqual(statusdecode.codes_in(b"PROGRESS CODE: V3020003 I1F"),
                         [(PROGRESS, 0x03020003, 0x1F)])
        self.assertEqual(statusdecode.codes_in(b"[x] PROGRESS V0x01050004 @ /p"),
                         [(PROGRESS, 0x01050004, None)])


class Captures(unittest.TestCase):
    def test_every_code_the_boots_print_has_its_names(self):
        expected = os.path.join(ROOT, "qemu", "expected")
        seen = 0
        for name in sorted(os.listdir(expected)):
            with open(os.path.join(expected, name), "rb") as f:
                for line in f:
                    for code_type, value, _ in statusdecode.codes_in(line):
                        seen += 1
                        with self.subTest(capture=name, line=line):
                            self.assertNotIn("unknown", text(code_type, value))
        self.assertGreater(seen, 20)


class CommandLine(unittest.TestCase):
    def test_standard_input_example(self):
        result = run([], b"PROGRESS CODE: V3020003 I1\n")
        self.assertEqual(result.returncode, 0)
        self.assertIn(b"PEI Core", result.stdout)

    def test_whole_log_keeps_every_byte_of_its_lines(self):
        log = (b"\x1b[7mU-Boot noise\r\nPROGRESS CODE: V50000 I0\r\nDemoPei: text\r\n"
               b"no line end at the last line")
        got = run([], log).stdout
        self.assertEqual(got, log.replace(
            b"V50000 I0\r\n", b"V50000 I0  -- Progress: Computing Unit / Memory / Init Begin\r\n"))

    def test_files_in_order_and_a_missing_one(self):
        with tempfile.TemporaryDirectory() as tmp:
            first, second = os.path.join(tmp, "a"), os.path.join(tmp, "b")
            with open(first, "wb") as f:
                f.write(b"one\n")
            with open(second, "wb") as f:
                f.write(b"two\n")
            self.assertEqual(run([first, "-", second], b"stdin\n").stdout, b"one\nstdin\ntwo\n")
            result = run([first, os.path.join(tmp, "missing")])
            self.assertEqual(result.returncode, 1)
            self.assertIn(b"missing", result.stderr)

    def test_json_one_object_per_code(self):
        log = b"PROGRESS CODE: V3020003 I1\r\nplain\r\nERROR: C40000002:V51004 I1 GUID\r\n"
        records = [json.loads(line) for line in run(["--json"], log).stdout.splitlines()]
        self.assertEqual(len(records), 2)
        self.assertEqual(records[0]["line"], 1)
        self.assertEqual(records[0]["file"], "-")
        self.assertEqual((records[0]["value"], records[0]["instance"], records[0]["subclass"]),
                         (0x03020003, 1, "PEI Core"))
        self.assertEqual(records[1]["line"], 3)
        self.assertEqual((records[1]["code_type"], records[1]["severity"], records[1]["operation"]),
                         (0x40000002, "Minor", "SPD Fail"))
        self.assertEqual(records[1]["log"], "ERROR: C40000002:V51004 I1 GUID")

    def test_usage_errors(self):
        self.assertEqual(run(["--help"]).returncode, 0)
        self.assertEqual(run(["--follow", "a", "b"]).returncode, 2)
        result = run(["tcp:localhost:port"])
        self.assertEqual(result.returncode, 1)


class Follow(unittest.TestCase):
    def read_until(self, proc, marker, timeout=10):
        got = b""
        deadline = time.monotonic() + timeout
        while marker not in got and time.monotonic() < deadline:
            got += os.read(proc.stdout.fileno(), 4096)
        return got

    def test_growing_file(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "com1.txt")
            with open(path, "wb") as log:
                log.write(b"PROGRESS CODE: V3020002 I1\r\n")
                log.flush()
                proc = subprocess.Popen([sys.executable, TOOL, "--follow", path],
                                        stdout=subprocess.PIPE)
                try:
                    self.assertIn(b"Init Begin", self.read_until(proc, b"Init Begin"))
                    # Half a line is shown once it has waited; the names follow at its end.
                    log.write(b"PROGRESS CODE: V30")
                    log.flush()
                    self.assertEqual(self.read_until(proc, b"V30"), b"PROGRESS CODE: V30")
                    log.write(b"20003 I1\r\n")
                    log.flush()
                    self.assertEqual(self.read_until(proc, b"\n"),
                                     b"20003 I1  -- Progress: Software / PEI Core / Init End\r\n")
                    # Truncated and written again, as a new capture would be.
                    log.seek(0)
                    log.truncate()
                    log.write(b"PROGRESS CODE: V50001 I0\n")
                    log.flush()
                    self.assertIn(b"Init End", self.read_until(proc, b"Init End"))
                    self.assertIsNone(proc.poll())
                finally:
                    proc.kill()
                    proc.wait()
                    proc.stdout.close()

    def test_unix_socket_until_it_closes(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "com1.sock")
            server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            server.bind(path)
            server.listen(1)

            def serve():
                conn, _ = server.accept()
                conn.sendall(b"PROGRESS CODE: V3020003 I1\r\n")
                time.sleep(0.3)
                conn.sendall(b"Undefined: C3:V3030000 I2\r\n")
                conn.close()

            thread = threading.Thread(target=serve)
            thread.start()
            result = run(["--follow", path])
            thread.join()
            server.close()
            self.assertEqual(result.returncode, 0)
            self.assertEqual(result.stdout.count(b"  -- "), 2)


if __name__ == "__main__":
    unittest.main()

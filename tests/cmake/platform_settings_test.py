# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""The platform options: what each accepts, the header it writes, and the message a bad value gets."""
import os
import re
import subprocess
import tempfile
import unittest

PROJECT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "settings_project")


def configure(**options):
    """(exit status, CMake's output, the generated header or None)."""
    with tempfile.TemporaryDirectory() as build:
        args = ["cmake", "-S", PROJECT, "-B", build]
        args += ["-D%s=%s" % (name, value) for name, value in options.items()]
        run = subprocess.run(args, capture_output=True, text=True, check=False)
        header = os.path.join(build, "generated", "PlatformSettings.h")
        text = None
        if os.path.exists(header):
            with open(header, encoding="utf-8") as generated:
                text = generated.read()
        return run.returncode, " ".join((run.stdout + run.stderr).split()), text


def constant(header, name):
    match = re.search(r"inline constexpr \w+ %s(\[\])? = ([^;]*);" % name, header)
    return match.group(2) if match else None


class DefaultsTest(unittest.TestCase):
    def test_defaults_are_the_pc_values(self):
        status, output, header = configure()
        self.assertEqual(status, 0, output)
        expected = {"DebugUartUseMmio": "FALSE", "DebugUartBase": "0x3F8", "DebugUartBaudRate": "115200",
                    "DebugUartLineControl": "0x03", "DebugUartFifoControl": "0x00",
                    "DebugUartClock": "1843200", "DebugUartPciPath": "{{PciPathEnd, 0, 0}}",
                    "SerialTracePeiComBase": "0x3F8",
                    "PcUartIsaComPorts": "{0x3F8, 0x2F8, 0x3E8, 0x2E8}"}
        for name, value in expected.items():
            self.assertEqual(constant(header, name), value, name)


class AcceptedTest(unittest.TestCase):
    def test_values_are_written_in_one_form(self):
        cases = [
            ({"COMLINK_DEBUG_UART_BASE": "0x2f8"}, "DebugUartBase", "0x2F8"),
            ({"COMLINK_DEBUG_UART_MMIO": "ON", "COMLINK_DEBUG_UART_BASE": "0xfed00000"},
             "DebugUartBase", "0xFED00000"),
            ({"COMLINK_DEBUG_UART_MMIO": "ON", "COMLINK_DEBUG_UART_BASE": "0xFFFFFFFFFFFFF000"},
             "DebugUartBase", "0xFFFFFFFFFFFFF000"),
            ({"COMLINK_DEBUG_UART_MMIO": "ON"}, "DebugUartUseMmio", "TRUE"),
            ({"COMLINK_DEBUG_UART_PCI_PATH": "05.0,00.0"}, "DebugUartPciPath",
             "{{0x05, 0, 0x00}, {0x00, 0, 0x00}, {PciPathEnd, 0, 0}}"),
            ({"COMLINK_DEBUG_UART_PCI_PATH": "1C.0@0x44,3.7@0xfe"}, "DebugUartPciPath",
             "{{0x1C, 0, 0x44}, {0x03, 7, 0xFE}, {PciPathEnd, 0, 0}}"),
            ({"COMLINK_DEBUG_UART_PCI_PATH": ",".join(["1.0"] * 8)}, "DebugUartPciPath",
             "{" + "{0x01, 0, 0x00}, " * 8 + "{PciPathEnd, 0, 0}}"),
            ({"COMLINK_DEBUG_UART_BAUD": "9600"}, "DebugUartBaudRate", "9600"),
            ({"COMLINK_DEBUG_UART_LINE_CONTROL": "0x1b"}, "DebugUartLineControl", "0x1B"),
            ({"COMLINK_DEBUG_UART_FIFO_CONTROL": "0xC7"}, "DebugUartFifoControl", "0xC7"),
            ({"COMLINK_PEI_COM_BASE": "0x2F8"}, "SerialTracePeiComBase", "0x2F8"),
            ({"COMLINK_ISA_COM_PORTS": "0x2e8"}, "PcUartIsaComPorts", "{0x2E8}"),
        ]
        for options, name, value in cases:
            status, output, header = configure(**options)
            self.assertEqual(status, 0, output)
            self.assertEqual(constant(header, name), value, options)


class RefusedTest(unittest.TestCase):
    def test_bad_values_stop_the_configuration_naming_the_fault(self):
        cases = [
            ("COMLINK_DEBUG_UART_BASE", "3F8", "not a hexadecimal number"),
            ("COMLINK_DEBUG_UART_BASE", "0x", "not a hexadecimal number"),
            ("COMLINK_DEBUG_UART_BASE", "0x10000", "larger than 0xFFF8"),
            ("COMLINK_DEBUG_UART_BASE", "0x0", "0 is no port base"),
            ("COMLINK_DEBUG_UART_CLOCK", "1.8432e6", "not a decimal number"),
            ("COMLINK_DEBUG_UART_BAUD", "0", "not a decimal number"),
            ("COMLINK_DEBUG_UART_BAUD", "1", "needs divisor 115200"),
            ("COMLINK_DEBUG_UART_BAUD", "460800", "needs divisor 0"),
            ("COMLINK_DEBUG_UART_LINE_CONTROL", "0x83", "larger than 0x3F"),
            ("COMLINK_DEBUG_UART_FIFO_CONTROL", "0x100", "larger than 0xFF"),
            ("COMLINK_DEBUG_UART_PCI_PATH", "20.0", "device above 1f"),
            ("COMLINK_DEBUG_UART_PCI_PATH", "1c.8", "function above 7"),
            ("COMLINK_DEBUG_UART_PCI_PATH", "1c", "is not device.function"),
            ("COMLINK_DEBUG_UART_PCI_PATH", "1c.0,,00.0", "is not device.function"),
            ("COMLINK_DEBUG_UART_PCI_PATH", "1c.0@0x45", "an even offset from 0x40"),
            ("COMLINK_DEBUG_UART_PCI_PATH", "1c.0@0x3E", "an even offset from 0x40"),
            ("COMLINK_DEBUG_UART_PCI_PATH", "1c.0@0x100", "an even offset from 0x40 to 0xFE"),
            ("COMLINK_DEBUG_UART_PCI_PATH", "1c.0@44", "an even offset from 0x40 to 0xFE"),
            ("COMLINK_DEBUG_UART_PCI_PATH", ",".join(["1.0"] * 9), "9 levels, at most 8"),
            ("COMLINK_PEI_COM_BASE", "0xFFFF", "larger than 0xFFF8"),
            ("COMLINK_ISA_COM_PORTS", "", "list 1 to 8 I/O bases"),
            ("COMLINK_ISA_COM_PORTS", ",".join(["0x%X" % (0x100 + 8 * n) for n in range(9)]),
             "list 1 to 8 I/O bases"),
            ("COMLINK_ISA_COM_PORTS", "0x3F8,0x3f8", "0x3f8 is listed twice"),
        ]
        for name, value, why in cases:
            status, output, header = configure(**{name: value})
            self.assertNotEqual(status, 0, "%s=%s" % (name, value))
            self.assertIn('%s="%s"' % (name, value), output)
            self.assertIn(why, output, "%s=%s" % (name, value))
            self.assertIsNone(header)

    def test_limits_follow_the_kind_of_base(self):
        # Behind PCI a memory-mapped base is what a 32-bit BAR is given; alone it may use 64 bits.
        status, output, _ = configure(COMLINK_DEBUG_UART_MMIO="ON", COMLINK_DEBUG_UART_PCI_PATH="00.0",
                                      COMLINK_DEBUG_UART_BASE="0x100000000")
        self.assertNotEqual(status, 0)
        self.assertIn("larger than 0xFFFFFFFF", output)
        status, output, _ = configure(COMLINK_DEBUG_UART_PCI_PATH="00.0", COMLINK_DEBUG_UART_BASE="0x10000")
        self.assertIn("larger than 0xFFF8", output)


if __name__ == "__main__":
    unittest.main()

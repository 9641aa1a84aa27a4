#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

"""Boot tests: both modules on QEMU, serial captures checked against the
expected text in qemu/expected/. Fails at the first boot that crashes, hangs
or prints other text, and says what was expected."""

import argparse
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "tools"))
import allports  # noqa: E402
import boot  # noqa: E402
import debuguart  # noqa: E402
from fwpack import ffs, modules as fwmodules  # noqa: E402

EXPECTED = os.path.join(HERE, "expected")
VARIABLE_PPI = "2AB86EF5-ECB5-4134-B556-3854CA1FE1B4"
DXE_BEGIN = b"=== ComLink platform application: begin ==="


class BootFailure(Exception):
    pass


def expected(name):
    with open(os.path.join(EXPECTED, name), "rb") as f:
        return f.read()


def first_difference(want, got):
    """The first line (1-based) where two texts part, with both versions."""
    want_lines = want.split(b"\n")
    got_lines = got.split(b"\n")
    for number, line in enumerate(want_lines, 1):
        if number > len(got_lines):
            return number, line, None
        if not line_matches(line, got_lines[number - 1]):
            return number, line, got_lines[number - 1]
    return len(want_lines) + 1, None, got_lines[len(want_lines)]


def line_matches(want, got):
    # {N} stands for a decimal number that is not the boot's business (a source line).
    if b"{N}" not in want:
        return want == got
    pattern = b"[0-9]+".join(re.escape(part) for part in want.split(b"{N}"))
    return re.fullmatch(pattern, got) is not None


# Source line numbers of the modules are not the boots' business: the expected
# text holds {N} for them.
SOURCE_LINES = [re.compile(rb"(Fail\[[A-Za-z0-9_]+\.)[0-9]+(\])"),
                re.compile(rb"(ASSERT [A-Za-z0-9_/.]+\.cpp\()[0-9]+(\))")]
UPDATE = False
DEBUGCFG = None


def check_text(what, name, got, capture, placeholders=False):
    """Compares with qemu/expected/<name>, or rewrites that file under --update."""
    if UPDATE:
        for pattern in SOURCE_LINES if placeholders else []:
            got = pattern.sub(rb"\1{N}\2", got)
        with open(os.path.join(EXPECTED, name), "wb") as f:
            f.write(got)
        return
    compare(what, expected(name), got, capture)


def compare(what, want, got, capture):
    if len(want.split(b"\n")) == len(got.split(b"\n")) and all(
            line_matches(w, g) for w, g in zip(want.split(b"\n"), got.split(b"\n"))):
        return
    number, want_line, got_line = first_difference(want, got)
    raise BootFailure("%s differs from the expected text at line %d\n  expected: %r\n  got:      %r\n"
                      "  (capture: %s)" % (what, number, want_line, got_line, capture))


def tail(data, lines=12):
    return "\n".join(data.decode(errors="replace").replace("\r", "").splitlines()[-lines:])


def require(condition, message):
    if not condition:
        raise BootFailure(message)


def pei_boot(images, out, append, modules=None, volume=True, volume_base=boot.FV_BASE):
    """By default SerialTracePei comes from the volume and DemoPei is handed over in RAM;
    volume may also name another volume file, or be None for modules alone."""
    volume = images.volume if volume is True else volume
    rc, com1, com2 = boot.run_pei(images.harness, [images.demo] if modules is None else modules,
                                  append, out, volume=volume, volume_base=volume_base)
    require(rc != 124, "the PEI boot hung: no exit within %d s\n  harness log:\n%s" %
            (boot.PEI_TIMEOUT_S, com2.decode(errors="replace")))
    return rc, com1, com2


def check_pei(images, out, name, append, log_must, log_must_not=(), volume=True):
    rc, com1, com2 = pei_boot(images, out, append, volume=volume)
    log = com2.decode(errors="replace")
    require(rc == boot.PEI_EXIT_SUCCESS,
            "%s: the harness ended with status %d, %d expected (a crash or a failed module)\n"
            "  harness log:\n%s" % (name, rc, boot.PEI_EXIT_SUCCESS, log))
    check_text(name + " COM1", name + "-com1.txt", com1, os.path.join(out, "pei-com1.txt"))
    for line in log_must:
        require(line in log, "%s: the harness log lacks %r\n  log:\n%s" % (name, line, log))
    for line in log_must_not:
        require(line not in log, "%s: the harness log has %r\n  log:\n%s" % (name, line, log))
    return log


def test_pei_notification(images, out):
    """The variable PPI comes after SerialTracePei: the gates load from its notification."""
    log = check_pei(images, out, "pei-default", boot.dmc(),
                    ["dispatch notification registered for " + VARIABLE_PPI,
                     "harness: 3 modules dispatched, 0 failed"])
    require(re.search(r"SerialTracePei \(TE image in the volume\) at 0x[0-9A-F]+ \(in place\)",
                      log) is not None,
            "pei-default: SerialTracePei must execute in place, from the volume in flash\n" + log)
    announced = log.find("harness: permanent memory announced")
    require(0 <= announced < log.find("DemoPei.efi returned"),
            "pei-default: the callback notification must run while DemoPei installs its PPI\n"
            + log)
    returned = log.find("PlatformVariablePeim returned")
    notified = log.find("dispatch notify")
    require(0 <= returned < notified,
            "pei-default: the notification must come after the installing PEIM returned\n" + log)


def test_pei_variable_first(images, out):
    """The variable PPI is there before SerialTracePei: no notification is needed. A gate
    byte of 2 reaches the PCD unchanged and counts as on."""
    check_pei(images, out, "pei-variable-first", boot.dmc(progress=2) + " varppi=0",
              ["harness: PCD 0xA0311 set to 2"], ["dispatch notification registered"])


def test_pei_oversized_variable(images, out):
    """A 23-byte DebugMessageConfig cannot be read: only the enable gate is set, the class
    gates keep their defaults and the level mask is the default one."""
    check_pei(images, out, "pei-default", boot.dmc(progress=0, error=0, other=0) + "00",
              ["harness: PCD 0xA0314 set to 1"], ["PCD 0xA0311 set to", "PCD 0xA0312 set to"])


def test_pei_gates_and_levels(images, out):
    """Progress and error output off, a custom level mask of VERBOSE and ERROR."""
    check_pei(images, out, "pei-quiet",
              boot.dmc(progress=0, error=0, other=1, levels=["VERBOSE", "ERROR"]),
              ["harness: PCD 0xA0311 set to 0", "harness: PCD 0xA0312 set to 0"])


def test_pei_no_variable(images, out):
    """No variable service at all: platform gate defaults and the default level mask."""
    check_pei(images, out, "pei-no-variable", "varppi=none pcd=1001",
              ["dispatch notification registered for " + VARIABLE_PPI],
              ["PCD 0xA0314 set to"])


def test_pei_without_rsc_handler(images, out):
    """No status-code router PPI: SerialTracePei cannot register, says nothing, and
    neither calls through the missing PPI nor fails its dispatch. (Handed over in RAM:
    from the volume its dependency expression keeps it from running.)"""
    rc, com1, com2 = pei_boot(images, out, boot.dmc() + " omit=rsc",
                              [images.trace, images.demo], None)
    log = com2.decode(errors="replace")
    require(rc == boot.PEI_EXIT_SUCCESS and "SerialTracePei.efi returned 0x00000000" in log,
            "omit=rsc: SerialTracePei must return success without a crash\n" + log)
    require(com1 == b"", "omit=rsc: nothing can reach COM1, got %r" % com1[:200])


def test_pei_without_pcd(images, out):
    """No PCD PPI: the gates cannot be read, debug messages (never gated) still come
    out, and the worker's reports about the missing PPI do not feed on themselves.
    (Handed over in RAM, as above.)"""
    rc, com1, com2 = pei_boot(images, out, boot.dmc() + " omit=pcd",
                              [images.trace, images.demo], None)
    log = com2.decode(errors="replace")
    require(rc == boot.PEI_EXIT_SUCCESS, "omit=pcd: the boot ended with status %d\n%s" % (rc, log))
    require(b"DemoPei: memory controller DDR4-2400, 2 DIMM slots\r\n" in com1,
            "omit=pcd: DemoPei's debug messages must still be printed\n%s" %
            com1.decode(errors="replace"))
    require("dropped" not in log, "omit=pcd: status codes nested without end\n" + log)


def test_pei_log_between_module_lines(images, out):
    """The demo's view: the harness's lines on COM1 leave the modules' text as it was."""
    rc, com1, _ = pei_boot(images, out, boot.dmc() + " log=com1")
    require(rc == boot.PEI_EXIT_SUCCESS, "log=com1: the harness ended with status %d" % rc)
    require(b"harness: dispatching DemoPei.efi\r\n" in com1,
            "log=com1: the harness's lines are missing from COM1")
    modules_only = re.sub(rb"(?m)^harness: .*\n", b"", com1)
    compare("log=com1 COM1 without the harness's lines", expected("pei-default-com1.txt"),
            modules_only, os.path.join(out, "pei-com1.txt"))


def test_pei_bad_input(images, out):
    """The harness refuses what it cannot run, with the reason, instead of running it."""
    rc, _, com2 = pei_boot(images, out, "", [images.trace, images.harness], None)
    log = com2.decode(errors="replace")
    require(rc == boot.PEI_EXIT_BAD_SETUP and "PeiHarness.elf cannot be loaded: not an MZ image"
            in log, "an ELF file given as a PEI module must be refused\n" + log)
    rc, _, com2 = pei_boot(images, out, "dmc=0g")
    log = com2.decode(errors="replace")
    require(rc == boot.PEI_EXIT_BAD_SETUP and "cannot take the argument 'dmc=0g'" in log,
            "a malformed dmc= must be refused\n" + log)


def test_pei_flash_is_read_only(images, out):
    """An image run in place cannot write its globals: the harness stops the module."""
    rc, _, com2 = pei_boot(images, out, "", [images.xip_writer], None)
    log = com2.decode(errors="replace")
    require(rc == boot.PEI_EXIT_FAULT and "XipWriterPei.efi at" in log and "(in place)" in log
            and "a module wrote to read-only memory" in log,
            "a write to an image executing in place must end the boot with a page fault\n" + log)


def peim_file(volume, name):
    """(offset, size) of a module's FFS file in a volume."""
    offset = volume.find(ffs.guid_bytes(fwmodules.MODULES[name].guid))
    require(offset > 0, "%s is not in the volume" % name)
    return offset, int.from_bytes(volume[offset + 20:offset + 23], "little")


def damaged_volume(images, out, name, damage, fix_checksum):
    """A copy of the volume with SerialTracePei's file data changed by damage(bytearray)."""
    with open(images.volume, "rb") as f:
        volume = bytearray(f.read())
    offset, size = peim_file(volume, "SerialTracePei")
    data = bytearray(volume[offset + ffs.FILE_HEADER_SIZE:offset + size])
    damage(data)
    volume[offset + ffs.FILE_HEADER_SIZE:offset + size] = data
    if fix_checksum:
        volume[offset + 17] = ffs.checksum8(bytes(data))
    path = os.path.join(out, name + ".fv")
    with open(path, "wb") as f:
        f.write(volume)
    return path


def replace_pcd_dependency(data):
    pcd = ffs.guid_bytes(fwmodules.PEI_PCD_PPI)
    at = data.find(pcd)
    data[at:at + len(pcd)] = ffs.guid_bytes("4E0C1B73-5E7A-4F0B-9C1D-0A6A3E1C2D77")


def flip_last_byte(data):
    data[-1] ^= 0x01


def test_pei_volume_refusals(images, out):
    """A PEIM whose file checksum is wrong, or whose dependency no PPI satisfies, is refused
    with the reason and never runs; so is a volume with a damaged header, and an image
    linked for another place in flash."""
    trace_guid = fwmodules.MODULES["SerialTracePei"].guid
    cases = [
        ("bad file checksum", damaged_volume(images, out, "bad-checksum", flip_last_byte, False),
         "", boot.FV_BASE, boot.PEI_EXIT_REFUSED,
         "PEIM %s at 0x%X refused: file checksum wrong" %
         (trace_guid, boot.FV_BASE + peim_file(boot.read(images.volume), "SerialTracePei")[0])),
        ("a PPI nobody installs", damaged_volume(images, out, "unknown-ppi",
                                                 replace_pcd_dependency, True),
         "", boot.FV_BASE, boot.PEI_EXIT_REFUSED,
         "SerialTracePei not dispatched: its dependency expression is not satisfied"),
        ("no RSC handler PPI", images.volume, "omit=rsc", boot.FV_BASE, boot.PEI_EXIT_REFUSED,
         "SerialTracePei not dispatched: its dependency expression is not satisfied"),
        ("a volume in the wrong place", images.volume, "", boot.FV_BASE - 0x100000,
         boot.PEI_EXIT_REFUSED,
         "SerialTracePei refused: linked for another address, and flash cannot be relocated"),
    ]
    with open(images.volume, "rb") as f:
        header = bytearray(f.read())
    header[50] ^= 0x01
    bad_header = os.path.join(out, "bad-header.fv")
    with open(bad_header, "wb") as f:
        f.write(header)
    cases.append(("a damaged volume header", bad_header, "", boot.FV_BASE,
                  boot.PEI_EXIT_BAD_SETUP,
                  "no usable volume at 0x%X: header checksum wrong" % boot.FV_BASE))
    for what, volume, append, base, status, message in cases:
        rc, com1, com2 = pei_boot(images, out, (boot.dmc() + " " + append).strip(),
                                  volume=volume, volume_base=base)
        log = com2.decode(errors="replace")
        require(rc == status and "harness: " + message in log,
                "%s: exit status %d and %r expected, got %d\n  log:\n%s" %
                (what, status, message, rc, log))
        require("dispatching SerialTracePei" not in log and com1 == b"",
                "%s: SerialTracePei must not run\n  log:\n%s" % (what, log))


def test_pei_pe32_volume(images, out):
    """fwpack's PE32 form of SerialTracePei dispatches from the volume as the TE form does."""
    pe32 = os.path.join(out, "pe32")
    subprocess.run([sys.executable, os.path.join(HERE, "..", "tools", "fwpack"), "volume",
                    "--base", "0x%X" % boot.FV_BASE, "--version", "boot-test", "--pe32",
                    "--out", pe32, images.driver, images.trace],
                   check=True, stdout=subprocess.DEVNULL)
    log = check_pei(images, out, "pei-default", boot.dmc(),
                    ["harness: 3 modules dispatched, 0 failed"],
                    volume=os.path.join(pe32, "ComLink.fv"))
    require(re.search(r"SerialTracePei \(PE32 image in the volume\) at 0x[0-9A-F]+ "
                      r"\(in place\)", log) is not None,
            "pe32: SerialTracePei must execute in place, from the volume\n" + log)


def test_dxe(images, out):
    """ComLinkDxe under U-Boot, driven by the platform application."""
    rc, com1, com2 = boot.run_dxe(images.app, images.driver, out)
    capture = os.path.join(out, "dxe-com1.txt")
    require(rc != 124, "the DXE boot hung: no reset within %d s. Last COM1 lines:\n%s" %
            (boot.DXE_TIMEOUT_S, tail(com1)))
    begin = com1.find(DXE_BEGIN)
    require(begin >= 0, "the platform application never started or died at once (no %r on "
            "COM1; a fault under U-Boot ends QEMU without a word). Last COM1 lines:\n%s\n(see %s)"
            % (DXE_BEGIN, tail(com1), capture))
    for noise in (b"No EFI system partition", b"Failed to load EFI variables"):
        require(noise not in com1[:begin], "U-Boot says %r: the boot disk lacks what it looks for "
                "(see %s)" % (noise, capture))
    end = com1.find(b"=== ComLink platform application: ", begin + len(DXE_BEGIN))
    require(end >= 0, "the platform application never finished (a fault?); its last lines:\n%s"
            % tail(com1[begin:]))
    end = com1.find(b"\n", end) + 1
    # U-Boot's console turns each line feed into CR LF again; the text is compared without CRs.
    check_text("dxe COM1", "dxe-com1.txt", com1[begin:end].replace(b"\r", b""), capture, True)
    require(b"ComLink: platform application returned" in com1[end:],
            "U-Boot did not get control back from the application (see %s)" % capture)
    check_text("dxe COM2", "dxe-com2.txt", com2, os.path.join(out, "dxe-com2.txt"))


def test_dxe_level_from_uboot_shell(images, out):
    """The line debugcfg --uboot prints, run in U-Boot's shell, sets the level mask that
    ComLinkDxe, loaded afterwards, filters its debug messages with: its errors pass under
    ERROR and its information under INFO, and neither under the other."""
    messages = {"ERROR": b"[ComLinkDxe] DEBUG ERROR: Uart16550 Fail[",
                "INFO": b"[ComLinkDxe] DEBUG INFO: Device Path Node has actually changed."}
    masks = {"ERROR": 0x80000000, "INFO": 0x00000040}
    for level, shown in messages.items():
        made = subprocess.run([DEBUGCFG, "--levels", level, "--uboot"], capture_output=True,
                              text=True)
        require(made.returncode == 0 and made.stdout.startswith("setenv -e "),
                "debugcfg --levels %s --uboot failed: %s" % (level, made.stderr))
        where = os.path.join(out, "uboot-" + level.lower())
        os.makedirs(where, exist_ok=True)
        rc, com1, _ = boot.run_dxe(images.app, images.driver, where,
                                   shell_lines=[made.stdout.strip()])
        capture = os.path.join(where, "dxe-com1.txt")
        require(rc != 124 and b"=== ComLink platform application: PASS" in com1,
                "%s from the shell: the platform application did not pass (see %s):\n%s"
                % (level, capture, tail(com1)))
        mask_line = b"app: DebugMessageConfig from the U-Boot shell: level mask 0x%08x" % masks[
            level]
        require(mask_line in com1 and b"app: ComLinkDxe's debug level mask 0x%08x" % masks[level]
                in com1, "%s from the shell: the driver did not take mask 0x%08x (see %s)"
                % (level, masks[level], capture))
        for other, text in messages.items():
            require((text in com1) == (other == level),
                    "%s from the shell: ComLinkDxe's %s messages %s (see %s)" % (
                        level, other, "are missing" if other == level else "were not filtered",
                        capture))


def test_all_ports(images, out):
    """Every 16550 QEMU models under U-Boot: PcUartAccessDxe publishes COM1-COM4, the four
    ports of a pci-serial-4x and a pci-serial behind a pci-bridge; ComLinkDxe binds a
    Serial I/O child to each. On every port but the console 8 KiB go each way, chunk by
    chunk and port by port, compared byte for byte at both ends; one PCI port runs at
    other line settings with RTS/CTS on; COM1 carries one marked line."""
    result = allports.run(images.all_ports_app, images.provider, images.driver, out)
    console = result.console
    capture = os.path.join(out, "all-ports-com1.txt")
    require(result.rc != 124, "the all-ports boot hung: no reset within %d s. Last COM1 lines:"
            "\n%s\n(see %s)" % (allports.TIMEOUT_S, tail(console), capture))
    bound = re.search(rb"app: all-ports: firmware side ([0-9]+) ports bound, ([0-9]+) bytes lost",
                      console)
    require(bound is not None, "the all-ports application did not finish; its last lines:\n%s\n"
            "(see %s)" % (tail(console, 30), capture))
    ports, firmware_lost = int(bound.group(1)), int(bound.group(2))
    lost = firmware_lost + result.lost()
    data_ports = len(allports.PORTS) - 1
    print("all-ports: %d ports, %d bytes each way, %d lost" % (
        ports, data_ports * allports.BYTES_EACH_WAY, lost))
    require(ports == len(allports.PORTS), "%d ports bound, %d expected (see %s)" % (
        ports, len(allports.PORTS), capture))
    require(lost == 0, "%d bytes lost or corrupted (%d on the way in, %d on the way out; see %s)"
            % (lost, firmware_lost, result.lost(), capture))
    require(allports.CONSOLE_MARK in console,
            "the marked line written through COM1's child is not on the console (see %s)" % capture)
    require(allports.PASS_LINE in console, "the all-ports application did not pass:\n%s\n(see %s)"
            % (tail(console, 30), capture))


def test_debug_uart_behind_bridge(images, out):
    """A ComLinkDxe whose debug UART is the pci-serial behind QEMU's pci-bridge (the
    uefi-x64-pci-debug tree): the application turns I/O decoding off in both, loads the
    driver and reads back what its set-up left: decoding on, divisor 1, line control 0x03,
    modem control 0, FIFOs off. The line the application then writes to the UART reaches the host."""
    rc, console, line = debuguart.run(images.debug_uart_app, images.pci_debug_driver, out)
    capture = os.path.join(out, "debug-uart-com1.txt")
    require(rc != 124, "the debug-UART boot hung: no reset within %d s. Last COM1 lines:\n%s\n"
            "(see %s)" % (debuguart.TIMEOUT_S, tail(console), capture))
    require(debuguart.BEGIN_LINE in console, "the debug-UART application never started. Last "
            "COM1 lines:\n%s\n(see %s)" % (tail(console), capture))
    after = re.search(debuguart.AFTER_LOAD, console)
    arrived = debuguart.MARKED_LINE in line
    divisor, line_control = (int(after.group(1)), int(after.group(2), 16)) if after else (0, 0)
    print("debug-uart behind a bridge: divisor %d, line control 0x%02x, the marked line %s" % (
        divisor, line_control, "reached the host" if arrived else "did NOT reach the host"))
    require(after is not None, "the application did not read the UART back after loading "
            "ComLinkDxe; its last lines:\n%s\n(see %s)" % (tail(console, 30), capture))
    require((divisor, line_control) == (1, 0x03), "divisor 1 and line control 0x03 expected "
            "after ComLinkDxe's set-up (see %s)" % capture)
    require(arrived, "the marked line is not among what the host read from the UART: %r" %
            line[-200:])
    require(debuguart.PASS_LINE in console, "the debug-UART application did not pass:\n%s\n"
            "(see %s)" % (tail(console, 30), capture))


TESTS = [test_pei_notification, test_pei_variable_first, test_pei_oversized_variable,
         test_pei_gates_and_levels,
         test_pei_no_variable, test_pei_without_rsc_handler, test_pei_without_pcd,
         test_pei_log_between_module_lines, test_pei_bad_input, test_pei_flash_is_read_only,
         test_pei_volume_refusals, test_pei_pe32_volume, test_dxe,
         test_dxe_level_from_uboot_shell, test_all_ports, test_debug_uart_behind_bridge]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True, help="directory of the uefi-x64/uefi-ia32 trees")
    parser.add_argument("--out", required=True, help="where the serial captures go")
    parser.add_argument("--debugcfg", help="the debugcfg program (default: the tools tree's, "
                        "BUILD/tools/tools/debugcfg)")
    parser.add_argument("-k", dest="only", help="run the tests whose name contains this")
    parser.add_argument("--update", action="store_true",
                        help="rewrite the expected files from this run (review the diff!)")
    args = parser.parse_args()
    global UPDATE, DEBUGCFG
    UPDATE = args.update
    DEBUGCFG = args.debugcfg or os.path.join(args.build, "tools", "tools", "debugcfg")
    os.makedirs(args.out, exist_ok=True)
    images = boot.Images(args.build)
    missing = images.missing() + ([] if os.path.exists(DEBUGCFG) else [DEBUGCFG])
    if missing:
        print("boot tests: missing: %s (qemu/build-boot-files.sh builds the images, make tools "
              "debugcfg, tools/bootstrap.sh installs the emulator)" % ", ".join(missing))
        return 1
    for test in TESTS:
        if args.only and args.only not in test.__name__:
            continue
        try:
            test(images, args.out)
        except BootFailure as failure:
            print("FAIL %s: %s" % (test.__name__, failure))
            return 1
        print("ok   %s" % test.__name__)
    return 0


if __name__ == "__main__":
    sys.exit(main())

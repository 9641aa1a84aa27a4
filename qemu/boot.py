#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

"""Boots the firmware images on QEMU and captures the serial ports.

  boot.py pei --harness PeiHarness.elf [--volume ComLink.fv] --append "dmc=..." --out DIR \
              [MODULE.efi...]
  boot.py dxe --app PlatformApp.efi --driver ComLinkDxe.efi --out DIR
  boot.py demo --build BUILD --out DIR   (both boots, from the firmware trees)

The PEI boot runs the multiboot harness, which dispatches the PEIMs of the
volume (in flash at the address it was built for) and then the modules in the
given order; COM1 carries what the modules print, COM2 the harness's own log. The DXE boot
runs U-Boot from a disk whose boot.scr starts the platform application; COM1
is U-Boot's console, COM2 is the port ComLinkDxe drives, and this script plays
the host at the far end of COM2. The captures are printed with QEMU's exit
status (124 when the time-out struck)."""

import argparse
import os
import re
import selectors
import shutil
import socket
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import allports  # noqa: E402
import bootdisk  # noqa: E402

UBOOT_ROM = "/usr/lib/u-boot/qemu-x86_64/u-boot.rom"
# QEMU loads a multiboot kernel through the BIOS; with a flash device in place of
# the BIOS ROM, SeaBIOS must be in that flash's top.
SEABIOS = "/usr/share/seabios/bios-256k.bin"
# Where make fv builds the volume for: the Makefile's FV_BASE, which make passes on.
FV_BASE = int(os.environ.get("FV_BASE", "0xFFE00000"), 0)
STATUS_DECODER = os.path.join(HERE, "..", "tools", "statusdecode")
PEI_TIMEOUT_S = 10
DXE_TIMEOUT_S = 30

# The host's part of the conversation on COM2 (the application's side is in
# qemu/dxe/SerialExercise.h).
HOST_PROMPT = b"host> "
HOST_REPLY = b"ping from the host\r\n"
XOFF_PROMPT = b"xoff> "
XON_CUE = b"app: waiting for XON"
XON = b"\x11"
XOFF = b"\x13"

# isa-debug-exit turns the harness's code v into (v << 1) | 1.
PEI_EXIT_SUCCESS = 1
PEI_EXIT_FAULT = 5
PEI_EXIT_BAD_SETUP = 7
PEI_EXIT_REFUSED = 9
TIMEOUT_EXIT = 124
PEI_EXITS = {
    PEI_EXIT_SUCCESS: "success: the harness's code 0, every module returned success",
    3: "FAILURE: the harness's code 1, a module returned an error",
    PEI_EXIT_FAULT: "FAILURE: the harness's code 2, a processor exception",
    PEI_EXIT_BAD_SETUP: "FAILURE: the harness's code 3, a boot it cannot set up",
    PEI_EXIT_REFUSED: "FAILURE: the harness's code 4, a PEIM of the volume refused or not "
                      "dispatched",
    TIMEOUT_EXIT: "FAILURE: no exit within the time-out",
}

# DebugMessageConfig: preset, the three PEI console gates, custom selection,
# then one switch per level bit in this order.
DMC_LEVELS = ["INIT", "WARN", "LOAD", "FS", "INFO", "DISPATCH", "VARIABLE", "BM", "BLKIO", "NET",
              "UNDI", "LOADFILE", "EVENT", "GCD", "CACHE", "VERBOSE", "ERROR"]


def dmc(preset=0, progress=1, error=1, other=1, levels=None):
    """The 22-byte variable as the harness's dmc= argument takes it."""
    record = [preset, progress, error, other, 1 if levels else 0]
    record += [1 if name in (levels or ()) else 0 for name in DMC_LEVELS]
    return "dmc=" + bytes(record).hex()


class Images:
    """Where the two firmware trees put the boot files."""

    def __init__(self, build):
        x64 = os.path.join(build, "uefi-x64")
        ia32 = os.path.join(build, "uefi-ia32")
        self.driver = os.path.join(x64, "ComLinkDxe.efi")
        self.app = os.path.join(x64, "qemu", "PlatformApp.efi")
        self.provider = os.path.join(x64, "PcUartAccessDxe.efi")
        self.all_ports_app = os.path.join(x64, "qemu", "AllPortsApp.efi")
        self.debug_uart_app = os.path.join(x64, "qemu", "DebugUartApp.efi")
        # ComLinkDxe with its debug UART behind QEMU's pci-bridge, for the debug-UART boot.
        self.pci_debug_driver = os.path.join(build, "uefi-x64-pci-debug", "ComLinkDxe.efi")
        self.trace = os.path.join(ia32, "SerialTracePei.efi")
        self.demo = os.path.join(ia32, "qemu", "DemoPei.efi")
        self.harness = os.path.join(ia32, "qemu", "PeiHarness.elf")
        self.xip_writer = os.path.join(ia32, "qemu", "XipWriterPei.efi")
        self.volume = os.path.join(build, "fv", "ComLink.fv")

    def missing(self):
        """Boot files and emulator pieces that are not there."""
        files = [p for p in (self.driver, self.app, self.provider, self.all_ports_app,
                             self.debug_uart_app, self.pci_debug_driver, self.trace, self.demo,
                             self.harness, self.xip_writer, self.volume, UBOOT_ROM, SEABIOS)
                 if not os.path.exists(p)]
        tools = [t for t in ("qemu-system-i386", "qemu-system-x86_64", "timeout", "mcopy")
                 if shutil.which(t) is None]
        return files + tools


def flash_image(volume, base, out_dir):
    """A flash device that ends at 4 GiB and begins at base: the volume at its start,
    SeaBIOS in its top, erased bytes in between."""
    with open(volume, "rb") as f:
        fv = f.read()
    with open(SEABIOS, "rb") as f:
        bios = f.read()
    size = (1 << 32) - base
    if len(fv) + len(bios) > size:
        raise ValueError("a volume of %d bytes at 0x%X runs into the BIOS below 4 GiB" %
                         (len(fv), base))
    path = os.path.join(out_dir, "pei-flash.bin")
    with open(path, "wb") as f:
        f.write(fv + b"\xff" * (size - len(fv) - len(bios)) + bios)
    return path


def run_pei(harness, modules, append, out_dir, timeout=PEI_TIMEOUT_S, volume=None,
            volume_base=FV_BASE):
    """Returns (exit status, COM1 bytes, COM2 bytes). The volume, when given, lies in
    flash at volume_base, read-only."""
    com1 = os.path.join(out_dir, "pei-com1.txt")
    com2 = os.path.join(out_dir, "pei-com2.txt")
    for stale in (com1, com2):
        if os.path.exists(stale):
            os.remove(stale)
    cmd = ["timeout", str(timeout), "qemu-system-i386", "-accel", "tcg", "-display", "none",
           "-no-reboot", "-m", "128", "-kernel", harness,
           "-serial", "file:" + com1, "-serial", "file:" + com2,
           "-device", "isa-debug-exit,iobase=0xf4,iosize=0x04"]
    if modules:
        cmd += ["-initrd", ",".join(modules)]
    if volume:
        flash = flash_image(volume, volume_base, out_dir)
        cmd += ["-drive", "if=pflash,format=raw,readonly=on,file=" + flash]
        append = ("fv=0x%X %s" % (volume_base, append)).strip()
    if append:
        cmd += ["-append", append]
    rc = subprocess.run(cmd, stdin=subprocess.DEVNULL).returncode
    return rc, read(com1), read(com2)


def make_boot_disk(app, driver, out_dir, shell_lines=()):
    """shell_lines run in U-Boot's shell before the platform application starts."""
    return bootdisk.app_disk(os.path.join(out_dir, "boot-disk.img"), "platform application",
                             [(app, "PlatformApp.efi"), (driver, "ComLinkDxe.efi")], shell_lines)


def run_dxe(app, driver, out_dir, timeout=DXE_TIMEOUT_S, shell_lines=()):
    """Returns (exit status, COM1 bytes, COM2 bytes as received by the host)."""
    disk = make_boot_disk(app, driver, out_dir, shell_lines)
    with tempfile.TemporaryDirectory() as tmp:
        servers = []
        for name in ("com1", "com2"):
            server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            server.bind(os.path.join(tmp, name + ".sock"))
            server.listen(1)
            servers.append(server)
        cmd = ["timeout", str(timeout), "qemu-system-x86_64", "-accel", "tcg", "-display", "none",
               "-no-reboot", "-m", "256", "-bios", UBOOT_ROM,
               "-drive", "if=none,id=boot,file=%s,format=raw" % disk,
               "-device", "virtio-blk-pci,drive=boot"]
        for name in ("com1", "com2"):
            cmd += ["-chardev", "socket,id=%s,path=%s" % (name, os.path.join(tmp, name + ".sock")),
                    "-serial", "chardev:" + name]
        qemu = subprocess.Popen(cmd, stdin=subprocess.DEVNULL)
        com1, com2 = serve_ports(servers, qemu)
        rc = qemu.wait()
        for server in servers:
            server.close()
    for name, data in (("dxe-com1.txt", com1), ("dxe-com2.txt", com2.received),
                       ("dxe-com2-both-ways.txt", com2.text())):
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)
    return rc, com1, com2.received


class Com2Line:
    """Both directions of COM2 in the order they happened, line by line."""

    def __init__(self):
        self.received = b""
        self.transcript = []
        self._partial = b""

    def from_driver(self, data):
        self.received += data
        self._partial += data
        *lines, self._partial = self._partial.split(b"\n")
        self.transcript += [("ComLinkDxe", line.rstrip(b"\r")) for line in lines]

    def from_host(self, data):
        self.flush()
        shown = {XON: b"<XON>", XOFF: b"<XOFF>"}.get(data, data.rstrip(b"\r\n"))
        self.transcript.append(("host", shown))

    def flush(self):
        if self._partial:
            self.transcript.append(("ComLinkDxe", self._partial))
            self._partial = b""

    def text(self):
        return b"".join(b"%-10s| %s\n" % (who.encode(), line) for who, line in self.transcript)


def serve_ports(servers, qemu):
    """Keeps both ports' output and plays the host at the far end of COM2: it
    answers the first prompt with a line, the XOFF prompt with XOFF, and sends
    XON once the application says on the console that it waits for it."""
    com2 = Com2Line()
    com1 = b""
    connections = []
    for server in servers:
        server.settimeout(10)
        try:
            connections.append(server.accept()[0])
        except socket.timeout:
            return com1, com2
    console, line = connections
    selector = selectors.DefaultSelector()
    for conn in connections:
        selector.register(conn, selectors.EVENT_READ)
    answered = set()
    open_ports = len(connections)
    while qemu.poll() is None and open_ports > 0:
        for key, _ in selector.select(timeout=0.2):
            data = key.fileobj.recv(4096)
            if not data:
                selector.unregister(key.fileobj)
                open_ports -= 1
                continue
            if key.fileobj is console:
                com1 += data
            else:
                com2.from_driver(data)
        for cue, seen, answer in ((HOST_PROMPT, com2.received.endswith(HOST_PROMPT), HOST_REPLY),
                                  (XOFF_PROMPT, com2.received.endswith(XOFF_PROMPT), XOFF),
                                  (XON_CUE, XON_CUE in com1, XON)):
            if seen and cue not in answered:
                line.sendall(answer)
                com2.from_host(answer)
                answered.add(cue)
    for conn in connections:
        conn.close()
    com2.flush()
    return com1, com2


def show(title, data):
    """Shows a capture with its status codes named by tools/statusdecode."""
    # U-Boot asks the terminal for its size with escape sequences; they are no text.
    data = re.sub(rb"\x1b(\[[0-9;?]*[A-Za-z]|[78])", b"", data)
    decoded = subprocess.run([sys.executable, STATUS_DECODER], input=data, stdout=subprocess.PIPE,
                             check=True).stdout
    text = decoded.decode(errors="replace").replace("\r", "")
    sys.stdout.write("\n----- %s -----\n%s" % (title, text))
    if text and not text.endswith("\n"):
        sys.stdout.write("\n")


def demo(build, out_dir):
    """Boots both modules and shows what each serial port printed."""
    images = Images(build)
    if images.missing():
        sys.stderr.write("boot files missing: %s\n" % ", ".join(images.missing()))
        return 1
    print("=" * 78)
    print("SerialTracePei under the PEI harness (QEMU i386, multiboot): the harness")
    print("dispatches SerialTracePei from ComLink.fv in flash at 0x%X, then its" % FV_BASE)
    print("variable PEIM (which wakes SerialTracePei's notification), then DemoPei, a")
    print("memory-init PEIM that reports in every form.")
    print("Status codes are followed by their names (\"  -- ...\", from tools/statusdecode).")
    rc, com1, _ = run_pei(images.harness, [images.demo], dmc() + " log=com1", out_dir,
                          volume=images.volume)
    show("COM1: SerialTracePei's text, with the harness's log lines (\"harness: ...\") in "
         "between; the log alone, with every status code it routed, is pei-com2.txt", com1)
    print("----- QEMU exit status %d (%s; isa-debug-exit ends QEMU with (code << 1) | 1) -----"
          % (rc, PEI_EXITS.get(rc, "FAILURE: an exit status the harness never gives")))
    print()
    print("=" * 78)
    print("ComLinkDxe under U-Boot's UEFI (QEMU x86_64): boot.scr starts PlatformApp.efi,")
    print("which publishes COM2, loads ComLinkDxe.efi and drives its Serial I/O child while")
    print("its status-code listener prints what the driver reports. This script is the host")
    print("at the far end of COM2.")
    rc2, com1, com2 = run_dxe(images.app, images.driver, out_dir)
    start = com1.find(b"## Executing script")
    show("COM1: U-Boot's console (from boot.scr on)", com1[start:] if start >= 0 else com1)
    show("COM2 both ways: ComLinkDxe and the host at the far end", read(
        os.path.join(out_dir, "dxe-com2-both-ways.txt")))
    passed = rc2 == 0 and b"=== ComLink platform application: PASS" in com1
    # QEMU leaves with 0 after U-Boot's reset and after a crash alike.
    print("----- QEMU exit status %d (%s) -----" % (
        rc2, "success: the application's PASS line, then U-Boot's reset, which exits with 0"
        if passed else "FAILURE: no PASS line from the platform application; exit status 0 "
        "follows a crash too"))
    print()
    print("=" * 78)
    print("PcUartAccessDxe and ComLinkDxe on every 16550 QEMU models (COM1-COM4, a")
    print("pci-serial-4x, a pci-serial behind a pci-bridge): AllPortsApp.efi loads both,")
    print("connects every port the provider found and moves 8 KiB each way on each port")
    print("but the console with this script at the far ends.")
    ports = allports.run(images.all_ports_app, images.provider, images.driver, out_dir)
    start = ports.console.find(b"=== ComLink all-ports application: begin")
    show("COM1: the all-ports application (the ports the provider found, then the tallies)",
         ports.console[start:] if start >= 0 else ports.console)
    bridged = "PCI Serial 01:00.0"
    first = ports.received.get(bridged, b"").split(b"\n")[0].rstrip(b"\r")
    print("----- the first line the host read on %s (38400 baud, RTS/CTS): %r -----"
          % (bridged, first.decode(errors="replace")))
    all_passed = allports.PASS_LINE in ports.console and ports.lost() == 0
    print("----- all ports: %s -----" % ("PASS, nothing lost" if all_passed else
                                          "FAILURE (%d bytes lost on the way out)" % ports.lost()))
    print("Captures are in %s" % out_dir)
    return 0 if rc == PEI_EXIT_SUCCESS and passed and all_passed else 1


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return b""


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    pei = sub.add_parser("pei")
    pei.add_argument("--harness", required=True)
    pei.add_argument("--append", default="")
    pei.add_argument("--volume", help="a firmware volume to dispatch PEIMs from, put in flash")
    pei.add_argument("--volume-base", type=lambda text: int(text, 0), default=FV_BASE,
                     help="the flash address the volume was built for (default 0x%X)" % FV_BASE)
    pei.add_argument("--out", required=True)
    pei.add_argument("modules", nargs="*")
    dxe = sub.add_parser("dxe")
    dxe.add_argument("--app", required=True)
    dxe.add_argument("--driver", required=True)
    dxe.add_argument("--out", required=True)
    show_demo = sub.add_parser("demo")
    show_demo.add_argument("--build", required=True)
    show_demo.add_argument("--out", required=True)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    if args.command == "demo":
        return demo(args.build, args.out)
    if args.command == "pei":
        rc, com1, com2 = run_pei(args.harness, args.modules, args.append, args.out,
                                 volume=args.volume, volume_base=args.volume_base)
    else:
        rc, com1, com2 = run_dxe(args.app, args.driver, args.out)
    sys.stdout.write("--- COM1 ---\n" + com1.decode(errors="replace").replace("\r", ""))
    sys.stdout.write("--- COM2 ---\n" + com2.decode(errors="replace").replace("\r", ""))
    sys.stdout.write("--- QEMU exit status %d ---\n" % rc)
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

"""The all-ports boot: U-Boot on a PC with every 16550 QEMU models, each port on a
host socket. The all-ports application (qemu/dxe/AllPorts.cpp) loads PcUartAccessDxe
and ComLinkDxe, binds a Serial I/O child to every port and moves data both ways with
this script at the far end of each socket; on COM1, U-Boot's console, it writes one
marked line. Both ends derive each port's data from the port's name."""

import os
import selectors
import socket
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import bootdisk  # noqa: E402

UBOOT_ROM = "/usr/lib/u-boot/qemu-x86_64/u-boot.rom"
TIMEOUT_S = 120
BYTES_EACH_WAY = 8192
CHUNK = 512
READY_CUE = b"app: all-ports: ready for data"
CONSOLE_MARK = b"all-ports: a line through COM1's Serial I/O child\r\n"
PASS_LINE = b"=== ComLink all-ports application: PASS"


def bridged_uart(chardev):
    """A pci-serial behind a pci-bridge at 00:05.0: the UART is 01:00.0."""
    return ["-device", "pci-bridge,id=br1,chassis_nr=1,addr=0x5",
            "-device", "pci-serial,bus=br1,addr=0x0,chardev=" + chardev]


# (socket, QEMU options that put a UART on it, the name PcUartAccessDxe gives the UART).
# COM1 is U-Boot's console; the bridge and the cards sit at fixed slots so the names hold.
PORTS = [
    ("com1", ["-serial", "chardev:com1"], "COM1"),
    ("com2", ["-serial", "chardev:com2"], "COM2"),
    ("com3", ["-serial", "chardev:com3"], "COM3"),
    ("com4", ["-serial", "chardev:com4"], "COM4"),
] + [("card%d" % n, [], "PCI Serial 00:04.0 port %d" % n) for n in range(1, 5)] + [
    ("bridged", bridged_uart("bridged"), "PCI Serial 01:00.0"),
]
CARD = ["-device", "pci-serial-4x,addr=0x4," + ",".join("chardev%d=card%d" % (n, n)
                                                         for n in range(1, 5))]


def seed_of(name):
    seed = 0
    for char in name:
        seed = (seed * 31 + ord(char)) & 0xFF
    return seed


def greeting(name):
    """The line the firmware writes on a data port before its data."""
    return b"ComLinkDxe on " + name.encode() + b"\r\n"


def pattern(name, direction, count):
    """Direction 0: host to firmware; 1: firmware to host."""
    seed = seed_of(name)
    return bytes((i * 7 + (i >> 8) * 13 + seed * 29 + direction * 101) & 0xFF
                 for i in range(count))


class Result:
    def __init__(self):
        self.rc = None
        self.console = b""
        self.received = {}   # name -> bytes the firmware sent
        self.sent = {}       # name -> bytes the host sent

    def lost(self):
        """Bytes missing or wrong in what the host received, the greeting included."""
        total = 0
        for _, _, name in PORTS[1:]:
            want = greeting(name) + pattern(name, 1, BYTES_EACH_WAY)
            got = self.received.get(name, b"")
            total += abs(len(want) - len(got)) + sum(a != b for a, b in zip(want, got))
        return total


def machine(disk, timeout):
    """U-Boot's PC with the boot disk at 00:03.0 and no NIC, so the slots of the cards hold."""
    return ["timeout", str(timeout), "qemu-system-x86_64", "-accel", "tcg", "-display", "none",
            "-no-reboot", "-m", "256", "-bios", UBOOT_ROM, "-nic", "none",
            "-drive", "if=none,id=boot,file=%s,format=raw" % disk,
            "-device", "virtio-blk-pci,drive=boot,addr=0x3"]


def listen(tmp, names):
    """A listening host socket per name in tmp, and QEMU's -chardev options for them."""
    servers = {}
    options = []
    for name in names:
        path = os.path.join(tmp, name + ".sock")
        server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        server.bind(path)
        server.listen(1)
        servers[name] = server
        options += ["-chardev", "socket,id=%s,path=%s" % (name, path)]
    return servers, options


def run(app, provider, driver, out_dir, timeout=TIMEOUT_S):
    disk = bootdisk.app_disk(os.path.join(out_dir, "all-ports-disk.img"), "all-ports application",
                             [(app, "AllPortsApp.efi"), (provider, "PcUartAccessDxe.efi"),
                              (driver, "ComLinkDxe.efi")])
    result = Result()
    with tempfile.TemporaryDirectory() as tmp:
        servers, chardevs = listen(tmp, [sock for sock, _, _ in PORTS])
        cmd = machine(disk, timeout) + chardevs
        for _, options, _ in PORTS:
            cmd += options
        cmd += CARD
        qemu = subprocess.Popen(cmd, stdin=subprocess.DEVNULL)
        serve(servers, qemu, result)
        result.rc = qemu.wait()
        for server in servers.values():
            server.close()
    with open(os.path.join(out_dir, "all-ports-com1.txt"), "wb") as f:
        f.write(result.console)
    return result


def serve(servers, qemu, result):
    """Keeps the console, and on every other port sends its data in chunks, port by port,
    once the application is ready, while keeping what arrives."""
    names = {sock: name for sock, _, name in PORTS}
    connections = {}
    for sock, server in servers.items():
        server.settimeout(10)
        try:
            connections[sock] = server.accept()[0]
        except socket.timeout:
            return
    selector = selectors.DefaultSelector()
    for sock, conn in connections.items():
        conn.setblocking(False)
        selector.register(conn, selectors.EVENT_READ, sock)
    outgoing = {name: pattern(name, 0, BYTES_EACH_WAY) for _, _, name in PORTS[1:]}
    for name in outgoing:
        result.received[name] = b""
        result.sent[name] = b""
    open_ports = len(connections)
    while qemu.poll() is None and open_ports > 0:
        for key, _ in selector.select(timeout=0.1):
            try:
                data = key.fileobj.recv(65536)
            except BlockingIOError:
                continue
            except ConnectionResetError:
                data = b""
            if not data:
                selector.unregister(key.fileobj)
                open_ports -= 1
            elif key.data == "com1":
                result.console += data
            else:
                result.received[names[key.data]] += data
        if READY_CUE not in result.console:
            continue
        # Chunk by chunk, port by port, as far as the sockets take them now.
        for _ in range(BYTES_EACH_WAY // CHUNK):
            for sock, conn in connections.items():
                name = names[sock]
                if name not in outgoing or len(result.sent[name]) >= BYTES_EACH_WAY:
                    continue
                chunk = outgoing[name][len(result.sent[name]):len(result.sent[name]) + CHUNK]
                try:
                    result.sent[name] += chunk[:conn.send(chunk)]
                except (BlockingIOError, BrokenPipeError, ConnectionResetError):
                    pass
    for conn in connections.values():
        conn.close()

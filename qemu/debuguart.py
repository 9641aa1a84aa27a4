#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

"""The debug-UART boot: U-Boot on a PC with a pci-serial behind a pci-bridge, and a
ComLinkDxe built with that UART as its debug UART (the uefi-x64-pci-debug tree). The
debug-UART application (qemu/dxe/DebugUartBridge.cpp) loads the driver, reads back what
its set-up programmed and writes a marked line to the UART; this script keeps what
arrives on the console and on the UART's host socket."""

import os
import selectors
import socket
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import allports  # noqa: E402
import bootdisk  # noqa: E402

TIMEOUT_S = 30
MARKED_LINE = b"debug-uart: a line through the debug UART behind the bridge\r\n"
BEGIN_LINE = b"=== ComLink debug-UART application: begin ==="
PASS_LINE = b"=== ComLink debug-UART application: PASS"
# What the application prints once the driver is loaded.
AFTER_LOAD = (rb"app: debug UART after ComLinkDxe loaded: divisor ([0-9]+), "
              rb"line control 0x([0-9A-Fa-f]{2})")


def collect(servers, qemu):
    """Everything each socket receives until QEMU ends, by name."""
    received = {name: b"" for name in servers}
    selector = selectors.DefaultSelector()
    for name, server in servers.items():
        server.settimeout(10)
        try:
            conn = server.accept()[0]
        except socket.timeout:
            return received
        selector.register(conn, selectors.EVENT_READ, name)
    open_ports = len(servers)
    while qemu.poll() is None and open_ports > 0:
        for key, _ in selector.select(timeout=0.1):
            data = key.fileobj.recv(4096)
            if not data:
                selector.unregister(key.fileobj)
                key.fileobj.close()
                open_ports -= 1
            received[key.data] += data
    for key in list(selector.get_map().values()):
        key.fileobj.close()
    return received


def run(app, driver, out_dir, timeout=TIMEOUT_S):
    """Returns (exit status, console bytes, bytes the host read from the debug UART)."""
    disk = bootdisk.app_disk(os.path.join(out_dir, "debug-uart-disk.img"),
                             "debug-UART application",
                             [(app, "DebugUartApp.efi"), (driver, "ComLinkDxe.efi")])
    with tempfile.TemporaryDirectory() as tmp:
        servers, chardevs = allports.listen(tmp, ["com1", "debug"])
        cmd = (allports.machine(disk, timeout) + chardevs + ["-serial", "chardev:com1"] +
               allports.bridged_uart("debug"))
        qemu = subprocess.Popen(cmd, stdin=subprocess.DEVNULL)
        received = collect(servers, qemu)
        rc = qemu.wait()
        for server in servers.values():
            server.close()
    for name, data in (("debug-uart-com1.txt", received["com1"]),
                       ("debug-uart-line.txt", received["debug"])):
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)
    return rc, received["com1"], received["debug"]

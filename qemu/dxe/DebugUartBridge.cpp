// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The debug-UART application that U-Boot runs: it finds the pci-serial behind a
// pci-bridge through configuration space, turns I/O decoding off on the UART and
// the bridge, loads a ComLinkDxe built with that UART as its debug UART, and reads
// back what the driver's set-up left: decoding on again, the divisor, line, modem
// and FIFO control. Then it writes a marked line to the UART for the host at the
// far end of its socket (qemu/debuguart.py). The read-back uses plain port I/O, not
// the driver's code.
#include "qemu/dxe/Checks.h"
#include "qemu/dxe/Console.h"
#include "qemu/dxe/DriverLoader.h"
#include "qemu/dxe/StatusListener.h"
#include "serial_dxe/DebugUart.h"
#include "support/CpuSeam.h"
#include "support/PciConfig.h"
#include "support/PciWalk.h"
#include "uart16550/Uart16550Registers.h"

namespace {

// QEMU's pci-serial.
constexpr UINT16 RedHatVendor = 0x1B36;
constexpr UINT16 PciSerialDevice = 0x0002;
constexpr CHAR8 MarkedLine[] = "debug-uart: a line through the debug UART behind the bridge\r\n";
// Polls of LSR per byte before the line counts as not sent; QEMU's UART on a socket
// empties THR at once.
constexpr UINTN ThrePolls = 100000;

struct UART_STATE {
  UINT16 Divisor;
  UINT8 LineControl;
  UINT8 ModemControl;
  bool FifosOn; // IIR shows what FCR last set
};

struct FOUND {
  bool Found;
  PCI_WALK_FUNCTION Uart;
};

void FindPciSerialBehindBridge(const PCI_WALK_FUNCTION &Function, void *Context) {
  auto *Found = static_cast<FOUND *>(Context);
  if (Found->Found || Function.HopCount < 2 ||
      PciConfigRead16(PciWalkAddress(Function, PCI_CONFIG_REGISTER::VendorId)) != RedHatVendor ||
      PciConfigRead16(PciWalkAddress(Function, PCI_CONFIG_REGISTER::DeviceId)) != PciSerialDevice) {
    return;
  }
  *Found = {true, Function};
}

// The configuration address of Register in the function at Hop of a walked path:
// the bridges above it give the bus.
UINTN HopAddress(const PCI_WALK_FUNCTION &Path, UINTN Hop, UINTN Register) {
  UINTN Bus = 0;
  for (UINTN Above = 0; Above < Hop; ++Above) {
    Bus = PciConfigRead8(PciConfigAddress(Bus, Path.Hops[Above].Device, Path.Hops[Above].Function,
                                          PCI_CONFIG_REGISTER::SecondaryBus));
  }
  return PciConfigAddress(Bus, Path.Hops[Hop].Device, Path.Hops[Hop].Function, Register);
}

UINT16 Command(const PCI_WALK_FUNCTION &Path, UINTN Hop) {
  return PciConfigRead16(HopAddress(Path, Hop, PCI_CONFIG_REGISTER::Command));
}

UINT8 UartRead(UINT16 Base, UART_REGISTER Register) {
  return CpuIoRead8(static_cast<UINT16>(Base + static_cast<UINT16>(Register)));
}

void UartWrite(UINT16 Base, UART_REGISTER Register, UINT8 Value) {
  CpuIoWrite8(static_cast<UINT16>(Base + static_cast<UINT16>(Register)), Value);
}

// The divisor is read with the latch bit set; line control is then restored.
UART_STATE ReadState(UINT16 Base) {
  const UINT8 LineControl = UartRead(Base, UART_REGISTER::LineControl);
  UartWrite(Base, UART_REGISTER::LineControl, LineControl | Lcr::DivisorLatch);
  const UINT8 Low = UartRead(Base, UartDivisorLow);
  const UINT8 High = UartRead(Base, UartDivisorHigh);
  UartWrite(Base, UART_REGISTER::LineControl, LineControl);
  return {static_cast<UINT16>(High << 8 | Low), LineControl,
          UartRead(Base, UART_REGISTER::ModemControl),
          IIR_BITS(UartRead(Base, UART_REGISTER::FifoControl)).Any(Iir::FifosEnabled)};
}

void PrintState(const CHAR8 *When, const UART_STATE &State) {
  Print("app: debug UART %a: divisor %d, line control 0x%02x, modem control 0x%02x, FIFOs %a\n",
        When, State.Divisor, State.LineControl, State.ModemControl, State.FifosOn ? "on" : "off");
}

// Bytes the UART took.
UINTN WriteLine(UINT16 Base, const CHAR8 *Line, UINTN Length) {
  UINTN Sent = 0;
  for (; Sent < Length; ++Sent) {
    UINTN Polls = 0;
    while (!LSR_BITS(UartRead(Base, UART_REGISTER::LineStatus)).Any(Lsr::Thre)) {
      if (++Polls == ThrePolls) {
        return Sent;
      }
    }
    UartWrite(Base, UART_REGISTER::Data, static_cast<UINT8>(Line[Sent]));
  }
  return Sent;
}

// Expected from the same build settings the driver was built with.
constexpr UINT16 ExpectedDivisor() {
  const UINT32 Sixteenths = DebugUartBaudRate * 16;
  return static_cast<UINT16>(DebugUartClock / Sixteenths +
                             (DebugUartClock % Sixteenths >= DebugUartBaudRate * 8 ? 1 : 0));
}

void CheckAfterLoad(const PCI_WALK_FUNCTION &Uart, UINT16 Base, CHECKS &Checks) {
  const UINTN Self = Uart.HopCount - 1;
  bool Decoding = true;
  for (UINTN Hop = 0; Hop <= Self; ++Hop) {
    Decoding = Decoding && (Command(Uart, Hop) & PCI_COMMAND::IoSpace) != 0;
  }
  Checks.That(Decoding, "the driver turned I/O decoding on in the bridge and the UART");
  const UART_STATE After = ReadState(Base);
  PrintState("after ComLinkDxe loaded", After);
  Checks.That(After.Divisor == ExpectedDivisor(), "the driver programmed the divisor");
  Checks.That(After.LineControl == (DebugUartLineControl & Lcr::LineFormat),
              "the driver programmed line control");
  Checks.That(After.ModemControl == 0, "the driver cleared modem control");
  Checks.That(After.FifosOn == ((DebugUartFifoControl & Fcr::Enable) != 0),
              "the driver wrote FIFO control");
  Checks.That(WriteLine(Base, MarkedLine, sizeof(MarkedLine) - 1) == sizeof(MarkedLine) - 1,
              "the marked line went out through the debug UART");
}

} // namespace

extern "C" EFI_STATUS EFIAPI DebugUartAppMain(EFI_HANDLE ImageHandle,
                                              EFI_SYSTEM_TABLE *SystemTable) {
  ConsoleInitialize(SystemTable);
  CHECKS Checks;
  Print("=== ComLink debug-UART application: begin ===\n");
  FOUND Found = {};
  PciWalkFunctions(FindPciSerialBehindBridge, &Found);
  if (!Checks.That(Found.Found, "a pci-serial behind a bridge")) {
    return EFI_NOT_FOUND;
  }
  const PCI_WALK_FUNCTION &Uart = Found.Uart;
  const UINTN Self = Uart.HopCount - 1;
  Print("app: pci-serial at %02x:%02x.%x, behind the bridge at 00:%02x.%x\n", Uart.Bus,
        Uart.Hops[Self].Device, Uart.Hops[Self].Function, Uart.Hops[0].Device,
        Uart.Hops[0].Function);
  const UINT32 Bar = PciConfigRead32(PciWalkAddress(Uart, PCI_CONFIG_REGISTER::Bar0));
  if (!Checks.That((Bar & PCI_BAR::IsIo) != 0 && (Bar & PCI_BAR::IoMask) != 0,
                   "the firmware gave the UART an I/O BAR")) {
    return EFI_NOT_FOUND;
  }
  const auto Base = static_cast<UINT16>(Bar & PCI_BAR::IoMask);
  Print("app: debug UART at I/O 0x%04x\n", Base);
  // FIFOs on, so that the set-up's FIFO control writes show.
  UartWrite(Base, UART_REGISTER::FifoControl, Fcr::Enable);
  PrintState("before ComLinkDxe loaded", ReadState(Base));

  // The set-up must enter the bridge and turn decoding on itself.
  for (UINTN Hop = 0; Hop <= Self; ++Hop) {
    PciConfigAnd16(HopAddress(Uart, Hop, PCI_CONFIG_REGISTER::Command),
                   static_cast<UINT16>(~PCI_COMMAND::IoSpace));
  }
  Print("app: I/O decoding off in the bridge and the UART\n");
  Checks.Status("status-code listener installed", StatusListenerInstall());
  EFI_HANDLE Driver = nullptr;
  if (Checks.Status("ComLinkDxe (debug UART behind the bridge) loaded and started",
                    LoadDriverBesideApp(ImageHandle, u"\\ComLinkDxe.efi", &Driver))) {
    CheckAfterLoad(Uart, Base, Checks);
  }
  Checks.Status("status-code listener removed", StatusListenerRemove());
  Checks.That(StatusListenerTally().Assertions == 0, "the driver raised no assertion");
  Print("=== ComLink debug-UART application: %a (%d failed checks) ===\n",
        Checks.Failures() == 0 ? "PASS" : "FAIL", Checks.Failures());
  return Checks.Failures() == 0 ? EFI_SUCCESS : EFI_ABORTED;
}

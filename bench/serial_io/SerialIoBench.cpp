// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Line utilisation of the serial driver on the virtual clock: one port writes
// 64 KiB to a peer at 115200 and 9600 baud, 8N1, with the UART's FIFOs on and
// off. The peer is drained as bytes arrive, so only the writer limits the rate.
#include "emulator/Platform.h"
#include "emulator/uart/NullModemCable.h"
#include "emulator/uart/UartAccessProvider.h"
#include "serial_dxe/SerialDevice.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr UINTN TransferSize = 64 * 1024;
constexpr double BitsPerCharacter = 10; // 8N1

struct RESULT {
  double BytesPerSecond;
  double Utilisation;
  double AccessesPerByte;
  bool Intact;
};

RESULT Measure(UINT64 BaudRate, bool Fifos) {
  emu::Platform P;
  emu::Uart16550Model Writer(P.Clock());
  emu::Uart16550Model Peer(P.Clock());
  Writer.SetLogging(false);
  Peer.SetLogging(false);
  emu::NullModemCable Cable(Writer, Peer);
  emu::UartAccessProvider Access(Writer, u"bench", Fifos ? 0 : UART_ACCESS_TYPE_NO_FIFO);

  std::vector<UINT8> ParentPath = {END_DEVICE_PATH_TYPE, 0xFF, 4, 0};
  std::vector<UINT8> ChildPath(sizeof(UART_DEVICE_PATH) + 4);
  std::memcpy(ChildPath.data(), &gSerialDeviceTemplate.UartDevicePath, sizeof(UART_DEVICE_PATH));
  std::memcpy(ChildPath.data() + sizeof(UART_DEVICE_PATH), ParentPath.data(), 4);
  SERIAL_DEVICE Device;
  std::memcpy(&Device, &gSerialDeviceTemplate, sizeof(Device));
  Device.SerialIo.Mode = &Device.SerialMode;
  Device.UartAccess = Access.Protocol();
  Device.ParentDevicePath = reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(ParentPath.data());
  Device.DevicePath = reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(ChildPath.data());
  Device.UartType = Fifos ? SERIAL_UART_WITH_FIFO : SERIAL_UART_WITHOUT_FIFO;
  EFI_SERIAL_IO_PROTOCOL *Io = &Device.SerialIo;
  Io->Reset(Io);
  Io->SetAttributes(Io, BaudRate, 0, 0, DefaultParity, 0, DefaultStopBits);
  // The peer: same line settings, emptied as bytes arrive.
  Peer.Write(3, Lcr::DivisorLatch);
  Peer.Write(0, static_cast<UINT8>(Writer.Divisor()));
  Peer.Write(1, static_cast<UINT8>(Writer.Divisor() >> 8));
  Peer.Write(3, Writer.LineControl());
  Peer.Write(2, Fcr::EnableAndClear);
  std::vector<UINT8> Received;
  UINT64 LastArrivalUs = 0;
  P.Clock().AddTicker([&](UINT64 NowUs) {
    while ((Peer.Read(5) & Lsr::DataReady) != 0) {
      Received.push_back(Peer.Read(0));
      LastArrivalUs = NowUs;
    }
  });

  std::vector<UINT8> Data(TransferSize);
  for (UINTN Index = 0; Index < Data.size(); Index++) {
    Data[Index] = static_cast<UINT8>(Index * 7 + 3);
  }
  const UINT64 StartAccesses = Writer.AccessCount();
  const UINT64 StartUs = P.Clock().NowUs();
  UINTN Size = Data.size();
  Io->Write(Io, &Size, Data.data());
  const UINT64 Accesses = Writer.AccessCount() - StartAccesses;
  while (Received.size() < Data.size() && P.Clock().NowUs() - StartUs < 100000000) {
    P.Clock().Advance(1);
  }
  const double Seconds = static_cast<double>(LastArrivalUs - StartUs) / 1e6;
  RESULT Result{};
  Result.BytesPerSecond = static_cast<double>(Received.size()) / Seconds;
  Result.Utilisation =
      Result.BytesPerSecond / (static_cast<double>(Io->Mode->BaudRate) / BitsPerCharacter);
  Result.AccessesPerByte = static_cast<double>(Accesses) / static_cast<double>(Data.size());
  Result.Intact = Received == Data;
  return Result;
}

} // namespace

int main() {
  std::printf("serial_io: 64 KiB written to a null-modem peer, 8N1, virtual clock\n");
  std::printf("%8s %6s %14s %12s %18s %8s\n", "baud", "fifos", "bytes/s", "utilisation",
              "accesses/byte", "intact");
  for (UINT64 Baud : {115200, 9600}) {
    for (bool Fifos : {true, false}) {
      const RESULT R = Measure(Baud, Fifos);
      std::printf("%8llu %6s %14.1f %12.4f %18.2f %8s\n", static_cast<unsigned long long>(Baud),
                  Fifos ? "on" : "off", R.BytesPerSecond, R.Utilisation, R.AccessesPerByte,
                  R.Intact ? "yes" : "NO");
    }
  }
  return 0;
}

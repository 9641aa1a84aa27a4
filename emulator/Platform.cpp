// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/Platform.h"
#include "emulator/BootServicesTable.h"
#include "emulator/Crc32.h"
#include "emulator/RuntimeServicesTable.h"
#include "emulator/StatusCodeProtocol.h"
#include "emulator/UnsupportedService.h"
#include "emulator/pei/PeiServicesTable.h"
#include "emulator/pei/ReadOnlyVariablePpi.h"

#include "Pi/PeiServices.h"
#include "Ppi/ReadOnlyVariable2.h"
#include "Protocol/StatusCode.h"

#include <cstdio>
#include <cstdlib>

// The module library's service-table globals, when the test links it.
extern EFI_HANDLE gImageHandle __attribute__((weak));
extern EFI_SYSTEM_TABLE *gST __attribute__((weak));
extern EFI_BOOT_SERVICES *gBS __attribute__((weak));
extern EFI_RUNTIME_SERVICES *gRT __attribute__((weak));

namespace emu {
namespace {

Platform *&Live() {
  static Platform *Instance = nullptr;
  return Instance;
}

// Marks the handle that stands for the image under test.
constexpr EFI_GUID kEmulatedImageGuid = {
    0x6A1E2F40, 0x93C1, 0x4E57, {0x8D, 0x0B, 0x4F, 0x21, 0xC6, 0x7E, 0x55, 0x19}};

// 256 interrupt gates of the processor mode's size.
constexpr size_t kIdtBytes = 256 * (sizeof(UINTN) == 8 ? 16 : 8);

CHAR16 FirmwareVendor[] = u"ComLink emulated platform";

} // namespace

void NoteUnsupportedService(const char *Service) {
  if (Platform *Current = Platform::CurrentOrNull()) {
    Current->Faults().NoteUnsupported(Service);
  }
}

struct Platform::SavedGlobals {
  EFI_HANDLE Image;
  EFI_SYSTEM_TABLE *System;
  EFI_BOOT_SERVICES *Boot;
  EFI_RUNTIME_SERVICES *Runtime;
};

Platform::Platform()
    : Previous(Live()), Priority(&CpuState), EventList(Priority),
      HandleDb(std::make_unique<HandleDatabase>(EventList, Priority, PoolMemory)),
      PeiTable(std::make_unique<EFI_PEI_SERVICES>()), PpiDb(&PeiTablePointer), Router(Codes) {
  Live() = this;
  EventList.AttachClock(Time);

  BuildBootServices(Bs);
  BuildRuntimeServices(Rt);
  St.Hdr.Signature = EFI_SYSTEM_TABLE_SIGNATURE;
  St.Hdr.Revision = EFI_2_70_SYSTEM_TABLE_REVISION;
  St.Hdr.HeaderSize = sizeof(EFI_SYSTEM_TABLE);
  St.FirmwareVendor = FirmwareVendor;
  St.BootServices = &Bs;
  St.RuntimeServices = &Rt;
  St.Hdr.CRC32 = Crc32(&St, sizeof(St));

  HandleDb->Install(&Image, &kEmulatedImageGuid, nullptr);
  HandleDb->Install(&StatusCodeProvider, &gEfiStatusCodeRuntimeProtocolGuid,
                    StatusCodeProtocolInstance());

  BuildPeiServices(*PeiTable);
  PeiTablePointer = PeiTable.get();
  IdtArea.assign(1 + kIdtBytes / sizeof(UINTN), 0);
  IdtArea[0] = reinterpret_cast<UINTN>(PeiServicesPointer);
  CpuState.SetIdtr(reinterpret_cast<UINTN>(&IdtArea[1]), static_cast<UINT16>(kIdtBytes - 1));

  Saved = std::make_unique<SavedGlobals>();
  if (&gImageHandle != nullptr) {
    Saved->Image = gImageHandle;
    gImageHandle = Image;
  }
  if (&gST != nullptr) {
    Saved->System = gST;
    gST = &St;
  }
  if (&gBS != nullptr) {
    Saved->Boot = gBS;
    gBS = &Bs;
  }
  if (&gRT != nullptr) {
    Saved->Runtime = gRT;
    gRT = &Rt;
  }
}

Platform::~Platform() {
  if (&gImageHandle != nullptr) {
    gImageHandle = Saved->Image;
  }
  if (&gST != nullptr) {
    gST = Saved->System;
  }
  if (&gBS != nullptr) {
    gBS = Saved->Boot;
  }
  if (&gRT != nullptr) {
    gRT = Saved->Runtime;
  }
  if (Live() == this) {
    Live() = Previous;
  }
}

Platform *Platform::CurrentOrNull() {
  return Live();
}

Platform &Platform::Current() {
  if (Live() == nullptr) {
    std::fprintf(stderr, "emulator: a firmware service was called with no Platform alive\n");
    std::abort();
  }
  return *Live();
}

std::optional<EFI_STATUS> Platform::Enter(const char *Service, EFI_TPL MaxTpl) {
  if (Priority.Current() > MaxTpl) {
    NoteViolation(std::string(Service) + " called at TPL " + std::to_string(Priority.Current()) +
                  " (allowed up to " + std::to_string(MaxTpl) + ")");
  }
  return Injector.OnCall(Service);
}

EFI_STATUS Platform::InstallReadOnlyVariablePpi() {
  if (!VariablePpiDescriptor) {
    VariablePpiDescriptor = std::make_unique<EFI_PEI_PPI_DESCRIPTOR>(
        EFI_PEI_PPI_DESCRIPTOR{EFI_PEI_PPI_DESCRIPTOR_PPI | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST,
                               &gEfiPeiReadOnlyVariable2PpiGuid, ReadOnlyVariablePpiInstance()});
  }
  return PpiDb.Install(VariablePpiDescriptor.get());
}

std::string Platform::Report() const {
  std::vector<std::string> Lines = PoolMemory.Leaks();
  const auto Append = [&Lines](const std::vector<std::string> &More) {
    Lines.insert(Lines.end(), More.begin(), More.end());
  };
  Append(PoolMemory.Problems());
  Append(Priority.Report());
  Append(HandleDb->Report());
  Append(EventList.Report());
  Append(Violations);
  std::string Text;
  for (const std::string &Line : Lines) {
    Text += Line;
    Text += '\n';
  }
  return Text;
}

} // namespace emu

#include "debug_report/pei/PeiServicesPointer.h"

#include "debug_report/DebugReport.h"
#include "support/CpuSeam.h"

const EFI_PEI_SERVICES **ReadPeiServicesPointer() {
  IA32_DESCRIPTOR Idtr = {};
  CpuReadIdtr(&Idtr);
  UINTN Pointer = 0;
  __builtin_memcpy(&Pointer, reinterpret_cast<const void *>(Idtr.Base - sizeof(UINTN)),
                   sizeof(Pointer));
  return reinterpret_cast<const EFI_PEI_SERVICES **>(Pointer);
}

const EFI_PEI_SERVICES **GetPeiServices() {
  const EFI_PEI_SERVICES **PeiServices = ReadPeiServicesPointer();
  DebugAssert(PeiServices != nullptr, "PeiServices != ((void *) 0)");
  return PeiServices;
}

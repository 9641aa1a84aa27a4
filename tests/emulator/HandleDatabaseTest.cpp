// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Protocol installation, lookup and registration notifications through the
// boot services table.
#include "FakeBusDriver.h"
#include "emulator/testing/PlatformTest.h"

#include "Protocol/DevicePath.h"

#include <cstring>

namespace emu {
namespace {

using test::kChildGuid;
using test::kOtherGuid;
using test::kParentGuid;

using Handles = PlatformTest;

TEST_F(Handles, InstallLocateAndUninstallRemoveTheHandleWithItsLastProtocol) {
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  int First = 1;
  int Second = 2;
  EFI_HANDLE Handle = nullptr;
  ASSERT_EQ(Bs->InstallProtocolInterface(&Handle, &kParentGuid, EFI_NATIVE_INTERFACE, &First),
            EFI_SUCCESS);
  ASSERT_NE(Handle, nullptr);
  EXPECT_EQ(Bs->InstallProtocolInterface(&Handle, &kParentGuid, EFI_NATIVE_INTERFACE, &Second),
            EFI_INVALID_PARAMETER);
  ASSERT_EQ(Bs->InstallProtocolInterface(&Handle, &kOtherGuid, EFI_NATIVE_INTERFACE, &Second),
            EFI_SUCCESS);

  void *Found = nullptr;
  EXPECT_EQ(Bs->HandleProtocol(Handle, &kParentGuid, &Found), EFI_SUCCESS);
  EXPECT_EQ(Found, &First);
  EXPECT_EQ(Bs->LocateProtocol(&kOtherGuid, nullptr, &Found), EFI_SUCCESS);
  EXPECT_EQ(Found, &Second);
  EXPECT_EQ(Bs->HandleProtocol(Handle, &kChildGuid, &Found), EFI_UNSUPPORTED);
  EXPECT_EQ(Found, nullptr);
  EXPECT_EQ(Bs->LocateProtocol(&kChildGuid, nullptr, &Found), EFI_NOT_FOUND);

  EXPECT_EQ(Bs->UninstallProtocolInterface(Handle, &kParentGuid, &Second), EFI_NOT_FOUND);
  EXPECT_EQ(Bs->UninstallProtocolInterface(Handle, &kParentGuid, &First), EFI_SUCCESS);
  EXPECT_TRUE(P.Handles().IsHandle(Handle));
  EXPECT_EQ(Bs->UninstallProtocolInterface(Handle, &kOtherGuid, &Second), EFI_SUCCESS);
  EXPECT_FALSE(P.Handles().IsHandle(Handle));
  EXPECT_EQ(Bs->HandleProtocol(Handle, &kOtherGuid, &Found), EFI_INVALID_PARAMETER);
}

TEST_F(Handles, MultipleInstallIsAllOrNothing) {
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  int A = 1;
  int B = 2;
  EFI_HANDLE Handle = nullptr;
  ASSERT_EQ(Bs->InstallMultipleProtocolInterfaces(&Handle, &kOtherGuid, &A, nullptr), EFI_SUCCESS);
  const size_t Before = P.Handles().HandleCount();
  EXPECT_EQ(
      Bs->InstallMultipleProtocolInterfaces(&Handle, &kParentGuid, &A, &kOtherGuid, &B, nullptr),
      EFI_INVALID_PARAMETER);
  EXPECT_FALSE(P.Handles().HasProtocol(Handle, kParentGuid));

  // A new handle that cannot be completed does not stay behind.
  EFI_HANDLE Fresh = nullptr;
  EXPECT_EQ(
      Bs->InstallMultipleProtocolInterfaces(&Fresh, &kParentGuid, &A, &kParentGuid, &B, nullptr),
      EFI_INVALID_PARAMETER);
  EXPECT_EQ(Fresh, nullptr);
  EXPECT_EQ(P.Handles().HandleCount(), Before);

  ASSERT_EQ(
      Bs->InstallMultipleProtocolInterfaces(&Handle, &kParentGuid, &A, &kChildGuid, &B, nullptr),
      EFI_SUCCESS);
  // Uninstalling with one wrong interface puts the others back.
  EXPECT_EQ(
      Bs->UninstallMultipleProtocolInterfaces(Handle, &kParentGuid, &A, &kChildGuid, &A, nullptr),
      EFI_INVALID_PARAMETER);
  EXPECT_TRUE(P.Handles().HasProtocol(Handle, kParentGuid));
  EXPECT_TRUE(P.Handles().HasProtocol(Handle, kChildGuid));
  EXPECT_EQ(Bs->UninstallMultipleProtocolInterfaces(Handle, &kParentGuid, &A, &kChildGuid, &B,
                                                    &kOtherGuid, &A, nullptr),
            EFI_SUCCESS);
  EXPECT_FALSE(P.Handles().IsHandle(Handle));
}

TEST_F(Handles, MultipleInstallRefusesADevicePathAlreadyInstalled) {
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  // A vendor-free hardware node followed by the end node, twice over.
  const UINT8 Path[] = {0x01, 0x01, 0x06, 0x00, 0x00, 0x1F, 0x7F, 0xFF, 0x04, 0x00};
  UINT8 Copy[sizeof(Path)];
  std::memcpy(Copy, Path, sizeof(Path));
  EFI_HANDLE First = nullptr;
  EFI_HANDLE Second = nullptr;
  ASSERT_EQ(Bs->InstallMultipleProtocolInterfaces(&First, &gEfiDevicePathProtocolGuid,
                                                  const_cast<UINT8 *>(Path), nullptr),
            EFI_SUCCESS);
  EXPECT_EQ(
      Bs->InstallMultipleProtocolInterfaces(&Second, &gEfiDevicePathProtocolGuid, Copy, nullptr),
      EFI_ALREADY_STARTED);
  EXPECT_EQ(Second, nullptr);
  Copy[5] = 0x1E;
  ASSERT_EQ(
      Bs->InstallMultipleProtocolInterfaces(&Second, &gEfiDevicePathProtocolGuid, Copy, nullptr),
      EFI_SUCCESS);
  Bs->UninstallMultipleProtocolInterfaces(First, &gEfiDevicePathProtocolGuid, Path, nullptr);
  Bs->UninstallMultipleProtocolInterfaces(Second, &gEfiDevicePathProtocolGuid, Copy, nullptr);
}

struct Watcher {
  EFI_BOOT_SERVICES *Bs;
  void *Registration = nullptr;
  std::vector<void *> Seen;
  std::vector<bool> BothInstalled;
  Platform *Owner;
};

VOID EFIAPI OnParentInstalled(EFI_EVENT, VOID *Context) {
  auto *Self = static_cast<Watcher *>(Context);
  void *Interface = nullptr;
  while (Self->Bs->LocateProtocol(&kParentGuid, Self->Registration, &Interface) == EFI_SUCCESS) {
    Self->Seen.push_back(Interface);
    Self->BothInstalled.push_back(!Self->Owner->Handles().HandlesWith(kOtherGuid).empty());
  }
}

TEST_F(Handles, RegistrationNotifiesEachInstallAndReinstallOnce) {
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  Watcher Watch{Bs, nullptr, {}, {}, &P};
  EFI_EVENT Event = nullptr;
  ASSERT_EQ(Bs->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, OnParentInstalled, &Watch, &Event),
            EFI_SUCCESS);
  ASSERT_EQ(Bs->RegisterProtocolNotify(&kParentGuid, Event, &Watch.Registration), EFI_SUCCESS);

  int A = 1;
  int B = 2;
  int C = 3;
  EFI_HANDLE Handle = nullptr;
  // The notification runs once the whole multiple install is in place.
  ASSERT_EQ(
      Bs->InstallMultipleProtocolInterfaces(&Handle, &kParentGuid, &A, &kOtherGuid, &B, nullptr),
      EFI_SUCCESS);
  EXPECT_EQ(Watch.Seen, (std::vector<void *>{&A}));
  EXPECT_EQ(Watch.BothInstalled, (std::vector<bool>{true}));

  // At TPL_NOTIFY the notification waits for the caller's RestoreTPL.
  const EFI_TPL Old = Bs->RaiseTPL(TPL_NOTIFY);
  ASSERT_EQ(Bs->ReinstallProtocolInterface(Handle, &kParentGuid, &A, &C), EFI_SUCCESS);
  EXPECT_EQ(Watch.Seen.size(), 1U);
  Bs->RestoreTPL(Old);
  EXPECT_EQ(Watch.Seen, (std::vector<void *>{&A, &C}));

  EXPECT_EQ(Bs->ReinstallProtocolInterface(Handle, &kParentGuid, &A, &B), EFI_NOT_FOUND);
  void *Nothing = &A;
  EXPECT_EQ(Bs->LocateProtocol(&kParentGuid, Watch.Registration, &Nothing), EFI_NOT_FOUND);
  EXPECT_EQ(Nothing, nullptr);

  // Closing the event ends the registration.
  ASSERT_EQ(Bs->CloseEvent(Event), EFI_SUCCESS);
  EFI_HANDLE Another = nullptr;
  ASSERT_EQ(Bs->InstallProtocolInterface(&Another, &kParentGuid, EFI_NATIVE_INTERFACE, &B),
            EFI_SUCCESS);
  EXPECT_EQ(Watch.Seen.size(), 2U);
  Bs->UninstallMultipleProtocolInterfaces(Handle, &kParentGuid, &C, &kOtherGuid, &B, nullptr);
  Bs->UninstallProtocolInterface(Another, &kParentGuid, &B);
}

TEST_F(Handles, LocateHandleByRegisterNotifyHandsOutEachNewHandleOnce) {
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  EFI_EVENT Event = nullptr;
  ASSERT_EQ(Bs->CreateEvent(0, 0, nullptr, nullptr, &Event), EFI_SUCCESS);
  void *Registration = nullptr;
  ASSERT_EQ(Bs->RegisterProtocolNotify(&kChildGuid, Event, &Registration), EFI_SUCCESS);
  EXPECT_FALSE(P.Events().IsSignalled(Event));
  int A = 1;
  EFI_HANDLE First = nullptr;
  EFI_HANDLE Second = nullptr;
  Bs->InstallProtocolInterface(&First, &kChildGuid, EFI_NATIVE_INTERFACE, &A);
  Bs->InstallProtocolInterface(&Second, &kChildGuid, EFI_NATIVE_INTERFACE, &A);
  EXPECT_TRUE(P.Events().IsSignalled(Event));

  EFI_HANDLE Found = nullptr;
  UINTN Size = sizeof(Found);
  ASSERT_EQ(Bs->LocateHandle(ByRegisterNotify, nullptr, Registration, &Size, &Found), EFI_SUCCESS);
  EXPECT_EQ(Found, First);
  // A buffer too small hands out nothing.
  Size = 0;
  EXPECT_EQ(Bs->LocateHandle(ByRegisterNotify, nullptr, Registration, &Size, nullptr),
            EFI_BUFFER_TOO_SMALL);
  Size = sizeof(Found);
  ASSERT_EQ(Bs->LocateHandle(ByRegisterNotify, nullptr, Registration, &Size, &Found), EFI_SUCCESS);
  EXPECT_EQ(Found, Second);
  EXPECT_EQ(Bs->LocateHandle(ByRegisterNotify, nullptr, Registration, &Size, &Found),
            EFI_NOT_FOUND);
  EXPECT_EQ(Bs->LocateHandle(ByRegisterNotify, nullptr, &A, &Size, &Found), EFI_INVALID_PARAMETER);

  // A null event withdraws the registration.
  ASSERT_EQ(Bs->RegisterProtocolNotify(&kChildGuid, nullptr, &Registration), EFI_SUCCESS);
  EXPECT_EQ(Bs->LocateHandle(ByRegisterNotify, nullptr, Registration, &Size, &Found),
            EFI_INVALID_PARAMETER);
  Bs->UninstallProtocolInterface(First, &kChildGuid, &A);
  Bs->UninstallProtocolInterface(Second, &kChildGuid, &A);
  Bs->CloseEvent(Event);
}

TEST_F(Handles, LocateHandleBufferAndProtocolsPerHandleHandOutPool) {
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  int A = 1;
  EFI_HANDLE First = nullptr;
  EFI_HANDLE Second = nullptr;
  Bs->InstallProtocolInterface(&First, &kParentGuid, EFI_NATIVE_INTERFACE, &A);
  Bs->InstallMultipleProtocolInterfaces(&Second, &kOtherGuid, &A, &kParentGuid, &A, nullptr);

  UINTN Count = 0;
  EFI_HANDLE *Buffer = nullptr;
  ASSERT_EQ(Bs->LocateHandleBuffer(ByProtocol, &kParentGuid, nullptr, &Count, &Buffer),
            EFI_SUCCESS);
  ASSERT_EQ(Count, 2U);
  EXPECT_EQ(Buffer[0], First);
  EXPECT_EQ(Buffer[1], Second);
  EXPECT_TRUE(P.Pool().Owns(Buffer));
  Bs->FreePool(Buffer);
  EXPECT_EQ(Bs->LocateHandleBuffer(ByProtocol, &kChildGuid, nullptr, &Count, &Buffer),
            EFI_NOT_FOUND);

  UINTN Size = 0;
  EXPECT_EQ(Bs->LocateHandle(ByProtocol, &kParentGuid, nullptr, &Size, nullptr),
            EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ(Size, 2 * sizeof(EFI_HANDLE));

  EFI_GUID **Guids = nullptr;
  ASSERT_EQ(Bs->ProtocolsPerHandle(Second, &Guids, &Count), EFI_SUCCESS);
  ASSERT_EQ(Count, 2U);
  EXPECT_EQ(Guids[0]->Data4[7], kOtherGuid.Data4[7]);
  Bs->FreePool(Guids);

  P.Pool().FailAllocation(1);
  EXPECT_EQ(Bs->LocateHandleBuffer(AllHandles, nullptr, nullptr, &Count, &Buffer),
            EFI_OUT_OF_RESOURCES);
  Bs->UninstallProtocolInterface(First, &kParentGuid, &A);
  Bs->UninstallMultipleProtocolInterfaces(Second, &kOtherGuid, &A, &kParentGuid, &A, nullptr);
}

} // namespace
} // namespace emu

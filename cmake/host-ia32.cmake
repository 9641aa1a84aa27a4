# Host tests on IA-32, so layouts that depend on 4-byte pointers are tested with 4-byte pointers.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
# Kernels without IA-32 emulation run the test binaries under qemu-user.
find_program(COMLINK_QEMU_I386 qemu-i386)
if(COMLINK_QEMU_I386)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${COMLINK_QEMU_I386})
endif()

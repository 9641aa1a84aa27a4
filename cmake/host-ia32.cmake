# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

# Host tests on IA-32, so layouts that depend on 4-byte pointers are tested with 4-byte pointers.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
# Kernels that cannot execute IA-32 programs run the test binaries under qemu-user;
# the others run them natively, which is about seven times faster.
if(NOT DEFINED CACHE{COMLINK_IA32_NATIVE})
  set(probe ${CMAKE_BINARY_DIR}/ia32-probe)
  file(WRITE ${probe}.c "int main(void) { return 0; }\n")
  execute_process(COMMAND clang -m32 ${probe}.c -o ${probe} RESULT_VARIABLE built OUTPUT_QUIET ERROR_QUIET)
  set(ran 1)
  if(built EQUAL 0)
    execute_process(COMMAND ${probe} RESULT_VARIABLE ran OUTPUT_QUIET ERROR_QUIET)
  endif()
  if(ran EQUAL 0)
    set(COMLINK_IA32_NATIVE ON CACHE BOOL "This kernel executes IA-32 programs")
  else()
    set(COMLINK_IA32_NATIVE OFF CACHE BOOL "This kernel executes IA-32 programs")
  endif()
endif()
if(NOT COMLINK_IA32_NATIVE)
  find_program(COMLINK_QEMU_I386 qemu-i386)
  if(COMLINK_QEMU_I386)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${COMLINK_QEMU_I386})
  endif()
endif()

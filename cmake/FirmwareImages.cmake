# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

# PE images of the modules (and of the QEMU boot files, through comlink_efi_image).

# Links a boot-service driver image from static libraries.
#   comlink_efi_image(NAME ENTRY SUBSYSTEM [XIP] [SOURCES files...] LIBS libs...)
function(comlink_efi_image name entry subsystem)
  cmake_parse_arguments(IMG "XIP" "" "LIBS;SOURCES" ${ARGN})
  # The entry point lives in a library; the image itself needs one object.
  set(stub ${CMAKE_BINARY_DIR}/image_stub.cpp)
  if(NOT EXISTS ${stub})
    file(WRITE ${stub} "")
  endif()
  # Assertion records name a source file without its folder, so the name must say which file.
  set(sources ${IMG_SOURCES})
  foreach(lib ${IMG_LIBS})
    get_target_property(type ${lib} TYPE)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(lib_sources ${lib} SOURCES)
      list(APPEND sources ${lib_sources})
    endif()
  endforeach()
  set(seen)
  foreach(source ${sources})
    get_filename_component(file ${source} NAME)
    if(file IN_LIST seen)
      message(FATAL_ERROR "${name}: two source files are named ${file}")
    endif()
    list(APPEND seen ${file})
  endforeach()
  add_executable(${name} ${stub} ${IMG_SOURCES})
  target_link_libraries(${name} PRIVATE ${IMG_LIBS})
  # The optional header's image version is the project's major.minor (it has no room for more).
  set(flags /subsystem:${subsystem} /entry:${entry} /dynamicbase /fixed:no /Brepro
            /opt:ref /opt:icf /merge:.rdata=.text
            /version:${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
  # Sections 32-byte aligned in memory and in the file: no padding to pages
  # or 512-byte sectors, and every section's file offset is its address, as
  # an image that executes in place needs.
  list(APPEND flags /align:32 /filealign:32 /driver)
  if(IMG_XIP)
    # lld-link counts its empty .data output section in the size of the headers before it
    # drops the section (488 bytes, 512 at 32-byte alignment); merged into .text, it is not
    # counted. The link map shows what the merge hides from the section flags: the image
    # check reads it for writable data.
    list(APPEND flags /merge:.data=.text /map:${CMAKE_CURRENT_BINARY_DIR}/${name}.map)
  endif()
  # An image in flash is identified by its file, not by a CodeView record.
  if(NOT IMG_XIP)
    # The PDB names the build directory, and the image records the PDB's hash: a fixed name
    # for the directory keeps the image the same bytes wherever the tree is built.
    list(APPEND flags /debug /pdbaltpath:${name}.pdb /pdbsourcepath:/comlink)
  endif()
  string(REPLACE ";" " " flags "${flags}")
  set_target_properties(${name} PROPERTIES LINK_FLAGS "${flags}" LINKER_LANGUAGE CXX)
endfunction()

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  comlink_efi_image(ComLinkDxe ComLinkDxeEntryPoint efi_boot_service_driver LIBS ${COMLINK_DXE_LIBS})
  # PcUartAccessDxe has its own builds of the shared libraries, so that the whole image is
  # optimised across its libraries at link time without changing ComLinkDxe's bytes.
  comlink_module_library(pc_uart_support ${COMLINK_SUPPORT_DIRS})
  comlink_module_library(pc_uart_support_dxe support/dxe)
  comlink_module_library(pc_uart_debug_report debug_report debug_report/dxe)
  set(pc_uart_libs pc_uart_dxe pc_uart_support_dxe pc_uart_debug_report pc_uart_support)
  comlink_efi_image(PcUartAccessDxe PcUartAccessDxeEntryPoint efi_boot_service_driver
                    LIBS ${pc_uart_libs})
  foreach(lib ${pc_uart_libs})
    target_compile_options(${lib} PRIVATE $<$<CONFIG:MinSizeRel>:-flto>)
  endforeach()
  set(module_libs ${COMLINK_DXE_LIBS})
else()
  comlink_efi_image(SerialTracePei SerialTracePeiEntryPoint efi_boot_service_driver XIP
                    LIBS ${COMLINK_PEI_LIBS})
  set(module_libs ${COMLINK_PEI_LIBS})
endif()
# Optimised across their libraries at link time, calls inside an image pass
# arguments in registers and the checks its own callers make impossible drop
# out.
foreach(lib ${module_libs})
  target_compile_options(${lib} PRIVATE $<$<CONFIG:MinSizeRel>:-flto>)
endforeach()

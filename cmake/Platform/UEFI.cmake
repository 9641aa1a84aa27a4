# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

# A firmware target: PE/COFF objects from clang, images linked by lld-link.
set(CMAKE_EXECUTABLE_SUFFIX ".efi")
set(CMAKE_STATIC_LIBRARY_PREFIX "")
set(CMAKE_STATIC_LIBRARY_SUFFIX ".lib")
set(CMAKE_LINK_LIBRARY_SUFFIX ".lib")
set(CMAKE_C_OUTPUT_EXTENSION ".obj")
set(CMAKE_CXX_OUTPUT_EXTENSION ".obj")
set(CMAKE_C_COMPILE_OPTIONS_TARGET "--target=")
set(CMAKE_CXX_COMPILE_OPTIONS_TARGET "--target=")
foreach(lang C CXX)
  # An unknown system gets no dependency scanning: without these, a changed
  # header rebuilds nothing.
  set(CMAKE_DEPFILE_FLAGS_${lang} "-MD -MT <DEP_TARGET> -MF <DEP_FILE>")
  set(CMAKE_${lang}_DEPFILE_FORMAT gcc)
  set(CMAKE_${lang}_DEPENDS_USE_COMPILER TRUE)
  set(CMAKE_${lang}_FLAGS_INIT "")
  set(CMAKE_${lang}_FLAGS_DEBUG_INIT "-O0 -g")
  set(CMAKE_${lang}_FLAGS_RELEASE_INIT "-Oz")
  set(CMAKE_${lang}_FLAGS_MINSIZEREL_INIT "-Oz -fno-jump-tables")
  set(CMAKE_${lang}_FLAGS_RELWITHDEBINFO_INIT "-Os -g")
  set(CMAKE_${lang}_CREATE_STATIC_LIBRARY "<CMAKE_AR> rcs <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_LINK_EXECUTABLE
      "<CMAKE_LINKER> /nologo /nodefaultlib <LINK_FLAGS> <OBJECTS> <LINK_LIBRARIES> /out:<TARGET>")
endforeach()

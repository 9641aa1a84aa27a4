// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Sanitizer defaults for every host test binary.
extern "C" const char *__asan_default_options() {
#if defined(__i386__)
  // IA-32 binaries may run under qemu-user, where LeakSanitizer cannot stop the
  // world and hangs at exit; pool leaks are caught by the emulator's accounting.
  return "detect_leaks=0";
#else
  return "";
#endif
}

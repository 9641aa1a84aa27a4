#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

# Installs the Debian packages that the README's commands need on a fresh Debian 12; as
# non-root, prints the command instead.
set -euo pipefail

packages=(
  make git cmake ninja-build python3                # the build and its scripts
  clang lld llvm g++-multilib libclang-rt-14-dev    # compilers, sanitizer and fuzzer runtimes
  googletest                                        # the host suites build it from its sources
  clang-format clang-tidy                           # make format, make tidy, .ci/run
  qemu-user                                         # IA-32 suites where the kernel cannot run them
  qemu-system-x86 u-boot-qemu mtools dosfstools     # the emulated-PC boots (make test, make demo)
  uefitool-cli sbsigntool openssl                   # independent checks of fwpack's output, make sign
  groff-base                                        # the man page check
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  cmd="apt-get install -y --no-install-recommends ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then
    echo "bootstrap: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >/dev/null
    $cmd >/dev/null
  else
    echo "bootstrap: missing packages; run as root:" >&2
    echo "  apt-get update && $cmd" >&2
    exit 1
  fi
fi

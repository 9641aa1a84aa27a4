#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

# Installs the Debian packages the builds and tests need; as non-root, prints the command instead.
set -euo pipefail

packages=(clang lld llvm cmake ninja-build python3 g++-multilib libclang-rt-14-dev qemu-user
          qemu-system-x86 u-boot-qemu mtools dosfstools uefitool-cli sbsigntool openssl)
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

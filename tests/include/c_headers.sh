#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

# Platform code's view of the public definitions: the C consumer (which includes them as make
# install places them, <comlink/...>) and the C provider compiled as strict C99 by gcc and clang
# for IA-32 and x86-64, hosted and for the firmware targets, and the provider as C++14 and C++17
# for platforms whose C++ is older than the modules'.
#   c_headers.sh OUTDIR
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)
out=$1
mkdir -p "$out/include"
ln -sfn "$src/include" "$out/include/comlink"

# build "COMPILER AND FLAGS" INCLUDE-DIR FILE
build() {
  # shellcheck disable=SC2086 # the compiler and its flags are separate words
  $1 -pedantic -Wall -Wextra -Werror -I"$2" -c "$src/tests/include/$3" -o "$out/$3.o" ||
    { echo "c-headers: '$1' rejects $3" >&2; exit 1; }
}

count=0
for compiler in "gcc -m64" "gcc -m32" "clang -m64" "clang -m32" \
  "clang --target=x86_64-unknown-windows -ffreestanding" \
  "clang --target=i686-unknown-windows -ffreestanding"; do
  build "$compiler -std=c99" "$out/include" CConsumer.c
  build "$compiler -std=c99" "$src/include" CUartAccess.c
  count=$((count + 1))
done
for compiler in g++ clang++; do
  for standard in c++14 c++17; do
    build "$compiler -x c++ -std=$standard" "$src/include" CUartAccess.c
  done
done
echo "c-headers: C99 clean with $count compilers and targets; C++14 and C++17 clean"

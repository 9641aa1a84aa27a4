// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The few spellings that C99 and C++ write differently, so that every definition header is one
// text for module code (C++20) and platform code (C99, or C++14 and later):
//   COMLINK_STATIC_ASSERT(Condition, Message)  a layout check, at file scope
//   COMLINK_CONSTANT                           a constant object or table defined in a header
//   COMLINK_INLINE                             a small function defined in a header
//   COMLINK_ALIGN8                             an 8-byte-aligned member: UEFI aligns UINT64 to 8
//                                              on IA-32 too, where System V i386 aligns it to 4
//   COMLINK_OFFSETOF(Type, Member)             offsetof without <stddef.h>
#pragma once

#ifdef __cplusplus
#define COMLINK_STATIC_ASSERT(Condition, Message) static_assert(Condition, Message)
// One object for the whole program from C++17 on, one per translation unit before.
#if __cplusplus >= 201703L
#define COMLINK_CONSTANT inline constexpr
#else
#define COMLINK_CONSTANT static constexpr
#endif
#define COMLINK_INLINE constexpr
#define COMLINK_ALIGN8 alignas(8)
#else
#if defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define COMLINK_STATIC_ASSERT(Condition, Message) _Static_assert(Condition, Message)
#define COMLINK_ALIGN8 _Alignas(8)
#else
// C99 has no static assertion: a false condition declares an array of negative size. The same
// declaration may repeat, so any number of checks can share the name.
#define COMLINK_STATIC_ASSERT(Condition, Message)                                                  \
  extern char ComLinkStaticAssertion[(Condition) ? 1 : -1]
#define COMLINK_ALIGN8 __attribute__((aligned(8)))
#endif
// Each translation unit has its own copy; C compares GUIDs and tables by value anyway.
#define COMLINK_CONSTANT static const
#define COMLINK_INLINE static inline
#endif

#define COMLINK_OFFSETOF(Type, Member) __builtin_offsetof(Type, Member)

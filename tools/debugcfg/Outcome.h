// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// A value or the message that explains why there is none.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace debugcfg {

template <typename T> class Outcome {
public:
  // Implicit, so that a function returns its value directly.
  Outcome(T Value) : Value(std::move(Value)) {}
  static Outcome Fail(std::string Message) { return Outcome(std::move(Message), 0); }

  explicit operator bool() const { return Value.has_value(); }
  const T &operator*() const { return *Value; }
  const T *operator->() const { return &*Value; }
  const std::string &Error() const { return Message; }

private:
  Outcome(std::string Text, int /*Tag*/) : Message(std::move(Text)) {}
  std::optional<T> Value;
  std::string Message;
};

} // namespace debugcfg

// Fixed-capacity UTF-16 text fields and the one bounded copy every writer goes through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ql {

// Copies at most capacity - 1 code units of `src` into `dst` and terminates it. A capacity of 0
// writes nothing. Returns the number of units copied (the terminator excluded). Never cuts
// between the two halves of a surrogate pair: a high surrogate that would be left without its
// low half is dropped, so a truncated field never holds half a character.
size_t CopyTruncated(char16_t* dst, size_t capacity, std::u16string_view src);

// Copies at most capacity - 1 code units and terminates, cutting exactly where the system's
// bounded string copies cut (even inside a surrogate pair). Returns the units copied.
size_t CopyTruncatedUnits(char16_t* dst, size_t capacity, std::u16string_view src);

// Length of a zero-terminated text within at most `capacity` units.
size_t BoundedLength(const char16_t* text, size_t capacity);

// A text buffer of N UTF-16 code units, terminator included, always terminated. The storage is a
// plain array so a record of these fields has the fixed layout the system expects.
template <size_t N>
struct FixedText {
  static_assert(N > 0, "a text field holds at least its terminator");
  static constexpr size_t kCapacity = N;

  char16_t units[N] = {};

  // Replaces the content, cut to N - 1 units.
  void Assign(std::u16string_view text) { CopyTruncated(units, N, text); }
  // Appends, cut so the whole stays within N - 1 units.
  void Append(std::u16string_view text) {
    size_t len = size();
    CopyTruncated(units + len, N - len, text);
  }
  void Clear() { units[0] = 0; }

  size_t size() const { return BoundedLength(units, N); }
  bool empty() const { return units[0] == 0; }
  std::u16string_view view() const { return std::u16string_view(units, size()); }
  std::u16string str() const { return std::u16string(view()); }
  const char16_t* c_str() const { return units; }
  // Raw buffer for a system call that fills at most kCapacity units, terminator included. The
  // caller terminates it with Terminate() afterwards if the call does not guarantee it.
  char16_t* buffer() { return units; }
  void Terminate() { units[N - 1] = 0; }

  bool operator==(std::u16string_view other) const { return view() == other; }
};

}  // namespace ql
